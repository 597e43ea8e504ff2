#include "platform/files/RegularFile.h"

#include <QCryptographicHash>
#include <QFile>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

QString notRegular()
{
    return QStringLiteral("it is not a regular file");
}

// A read that a signal interrupted is made again. From `at`, or else from where the file stands.
ssize_t readRetrying(int fd, char* into, size_t size, std::optional<off_t> at = std::nullopt)
{
    for (;;) {
        const ssize_t count = at ? ::pread(fd, into, size, *at) : ::read(fd, into, size);
        if (count >= 0 || errno != EINTR)
            return count;
    }
}

} // namespace

RegularFile::RegularFile(const QString& path, Links links)
{
    const QByteArray name = QFile::encodeName(path);
    // Looked at first so that a device is never opened at all; checked again on what was opened, since
    // the path may name something else by then.
    struct stat before = {};
    const int looked
        = links == Links::Followed ? ::stat(name.constData(), &before) : ::lstat(name.constData(), &before);
    if (looked != 0) {
        m_errorString = qt_error_string(errno);
        return;
    }
    if (!S_ISREG(before.st_mode)) {
        m_identity = FileIdentity::of(before);
        m_errorString = notRegular();
        return;
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(
        name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (links == Links::Followed ? 0 : O_NOFOLLOW));
    if (fd < 0) {
        m_errorString = qt_error_string(errno);
        return;
    }
    if (::fstat(fd, &m_status) != 0 || !S_ISREG(m_status.st_mode)) {
        m_errorString = notRegular();
        m_status = {};
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_identity = FileIdentity::of(m_status);
}

RegularFile::~RegularFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<QByteArray> RegularFile::readAll(qint64 maximumSize)
{
    if (m_status.st_size > maximumSize)
        return std::nullopt;
    // The file may have grown since it was opened: one byte more than allowed tells that it did.
    std::optional<QByteArray> data = readPrefix(maximumSize + 1);
    if (data && data->size() > maximumSize)
        return std::nullopt;
    return data;
}

std::optional<QByteArray> RegularFile::readPrefix(qint64 size)
{
    if (m_fd < 0)
        return std::nullopt;
    // Sized for what the file holds now, grown if it holds more by the time it is read.
    QByteArray data(qsizetype(std::min<qint64>(m_status.st_size + 1, size)), Qt::Uninitialized);
    qsizetype filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled >= size)
                break;
            data.resize(qsizetype(std::min<qint64>(qint64(data.size()) * 2 + 4096, size)));
        }
        const ssize_t count = readRetrying(m_fd, data.data() + filled, size_t(data.size() - filled));
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        filled += count;
    }
    data.resize(filled);
    return data;
}

std::optional<QByteArray> RegularFile::digest() const
{
    if (m_fd < 0)
        return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char piece[64 * 1024];
    for (off_t at = 0;;) {
        const ssize_t count = readRetrying(m_fd, piece, sizeof piece, at);
        if (count < 0)
            return std::nullopt;
        if (count == 0)
            break;
        hash.addData(QByteArrayView(piece, count));
        at += count;
    }
    return hash.result();
}

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 maximumSize, Links links)
{
    RegularFile file(path, links);
    return file.readAll(maximumSize);
}

} // namespace platform

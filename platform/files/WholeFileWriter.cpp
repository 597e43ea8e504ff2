#include "platform/files/WholeFileWriter.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSaveFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// QSaveFile writes to where a link points: this writes a file of a fresh name beside the path, where no link can
// stand, and renames it over the path, which replaces whatever entry is there without following it.
std::optional<QString> replaceFile(const QString& path, QByteArrayView data)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 16; ++attempt) {
        temporary = name + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
        // As QSaveFile makes a new file: readable as the umask allows.
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return qt_error_string(errno);
    const auto failed = [&] {
        const QString error = qt_error_string(errno);
        if (fd >= 0)
            ::close(fd);
        ::unlink(temporary.constData());
        return error;
    };
    // A file it replaces keeps its permissions, as with QSaveFile.
    struct stat existing = {};
    if (::lstat(name.constData(), &existing) == 0 && S_ISREG(existing.st_mode)
        && ::fchmod(fd, existing.st_mode & 07777) != 0)
        return failed();
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t count = ::write(fd, data.data() + written, size_t(data.size() - written));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return failed();
        written += count;
    }
    if (::fdatasync(fd) != 0 && errno != EINVAL)
        return failed();
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0 || ::rename(temporary.constData(), name.constData()) != 0)
        return failed();
    return std::nullopt;
}

} // namespace

WholeFileWriter::WholeFileWriter(QString path, QString description, Links links)
    : m_path(std::move(path))
    , m_description(std::move(description))
    , m_links(links)
{ }

bool WholeFileWriter::write(QByteArrayView data)
{
    const std::optional<QString> error = writeFile(m_path, data, m_links);
    if (error && !m_failing) {
        qWarning("Could not write %s %s, which keeps what it held: %s", qUtf8Printable(m_description),
            qUtf8Printable(m_path), qUtf8Printable(*error));
    }
    m_failing = error.has_value();
    return !m_failing;
}

std::optional<QString> WholeFileWriter::writeFile(const QString& path, QByteArrayView data, Links links)
{
    if (links == Links::Replaced)
        return replaceFile(path, data);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(data.data(), data.size()) != data.size()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error;
    }
    // Some file systems report a lack of space or a failed device only here; commit() does not look.
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL) {
        const QString error = qt_error_string(errno);
        file.cancelWriting();
        return error;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

} // namespace platform

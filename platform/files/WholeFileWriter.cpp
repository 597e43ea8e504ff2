#include "platform/files/WholeFileWriter.h"

#include <QSaveFile>
#include <cerrno>
#include <unistd.h>

namespace platform {

WholeFileWriter::WholeFileWriter(QString path, QString description)
    : m_path(std::move(path))
    , m_description(std::move(description))
{ }

bool WholeFileWriter::write(QByteArrayView data)
{
    const std::optional<QString> error = writeFile(m_path, data);
    if (error && !m_failing) {
        qWarning("Could not write %s %s, which keeps what it held: %s", qUtf8Printable(m_description),
            qUtf8Printable(m_path), qUtf8Printable(*error));
    }
    m_failing = error.has_value();
    return !m_failing;
}

std::optional<QString> WholeFileWriter::writeFile(const QString& path, QByteArrayView data)
{
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

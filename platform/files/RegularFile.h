#pragma once

#include "platform/files/FileIdentity.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <sys/stat.h>

namespace platform {

// A file in a folder that other programs fill (a synchronised calendar or cloud folder), opened only when
// it is a regular file and never in a way that can block: a FIFO, a device or a socket there, even behind
// a symbolic link, is refused instead of waited on for ever.
class RegularFile
{
public:
    // A link in a folder others write may point anywhere outside it: there it is refused, as it is no regular file.
    enum class Links { Followed, Refused };

    explicit RegularFile(const QString& path, Links links = Links::Followed);
    ~RegularFile();
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Of the file that was opened, not of whatever the path names by now; when the path names no regular file,
    // of what it names, which stays unreadable until it changes. Invalid when nothing could be looked at.
    const FileIdentity& identity() const { return m_identity; }
    // Why the file is not open, for a log line.
    const QString& errorString() const { return m_errorString; }
    // Absent when the file is not open, cannot be read or holds more than `maximumSize` bytes.
    std::optional<QByteArray> readAll(qint64 maximumSize);
    // Its first `size` bytes at most; absent when the file is not open or cannot be read.
    std::optional<QByteArray> readPrefix(qint64 size);
    // The SHA-256 of all it holds, read a piece at a time and from its start whatever was read before; absent when
    // the file is not open or cannot be read.
    std::optional<QByteArray> digest() const;

    // The whole file, when it is a regular one of at most `maximumSize` bytes.
    static std::optional<QByteArray> read(const QString& path, qint64 maximumSize, Links links = Links::Followed);

private:
    int m_fd = -1;
    struct stat m_status = {};
    FileIdentity m_identity;
    QString m_errorString;
};

} // namespace platform

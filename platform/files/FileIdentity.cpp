#include "platform/files/FileIdentity.h"

#include <QFile>

namespace platform {

namespace {

qint64 nanoseconds(const struct timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

FileIdentity FileIdentity::of(const struct stat& status)
{
    return { quint64(status.st_ino), qint64(status.st_size), nanoseconds(status.st_mtim), nanoseconds(status.st_ctim) };
}

FileIdentity FileIdentity::ofPath(const QString& path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return of(status);
}

} // namespace platform

#pragma once

#include <QString>
#include <QtGlobal>
#include <sys/stat.h>

namespace platform {

// Which version of a file was seen: a file written in place, replaced by another (even one of the same size and
// modification time, as cp -p, rsync -a or a restore from backup leave it) or made again has another identity.
// The change time moves with every write and every new modification time, and no program can set it back. Kept
// for every calendar file, so it leaves out the device: one path on two devices with the same inode and times
// is no file anyone has.
struct FileIdentity
{
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    // False for the identity of no file, which stands for no version at all.
    bool isValid() const { return inode != 0; }
    bool operator==(const FileIdentity&) const = default;

    static FileIdentity of(const struct stat& status);
    // Of the file `path` names now, through symbolic links; invalid when it names none.
    static FileIdentity ofPath(const QString& path);
};

} // namespace platform

#pragma once

#include <QDir>
#include <QFile>
#include <unistd.h>

// The inotify watches this process holds, as the kernel lists them.
inline int inotifyWatches()
{
    int count = 0;
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : descriptors.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char target[64] = {};
        if (readlink(QFile::encodeName(descriptors.filePath(fd)).constData(), target, sizeof target - 1) < 0
            || QByteArray(target) != "anon_inode:inotify")
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + fd);
        if (info.open(QIODevice::ReadOnly))
            count += int(info.readAll().count("inotify wd:"));
    }
    return count;
}

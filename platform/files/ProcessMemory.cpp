#include "platform/files/ProcessMemory.h"

#include "platform/files/RegularFile.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <limits>

namespace platform {

namespace {

std::optional<QByteArray> readSmall(const QString& path)
{
    return RegularFile::read(path, 64 * 1024);
}

// A whole number of the file, or absent for "max", nothing or garbage.
std::optional<qint64> numberIn(const QString& path)
{
    const std::optional<QByteArray> text = readSmall(path);
    bool ok = false;
    const qint64 value = text ? text->trimmed().toLongLong(&ok) : 0;
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<qint64> least(std::optional<qint64> a, std::optional<qint64> b)
{
    if (!a || !b)
        return a ? a : b;
    return std::min(*a, *b);
}

// What a group of `limit` that holds `usage` still allows: a group over its limit, nothing.
qint64 leftUnder(qint64 limit, qint64 usage)
{
    limit = std::max<qint64>(0, limit);
    return limit - std::clamp<qint64>(usage, 0, limit);
}

std::optional<qint64> systemAvailable(const QString& root)
{
    const std::optional<QByteArray> info = readSmall(root + QLatin1String("/proc/meminfo"));
    if (!info)
        return std::nullopt;
    constexpr QByteArrayView name = "MemAvailable:";
    for (const QByteArray& line : info->split('\n')) {
        if (line.startsWith(name)) {
            bool ok = false;
            const qint64 kilobytes = line.sliced(name.size()).trimmed().split(' ').value(0).toLongLong(&ok);
            if (!ok)
                return std::nullopt;
            return std::clamp<qint64>(kilobytes, 0, std::numeric_limits<qint64>::max() / 1024) * 1024;
        }
    }
    return std::nullopt;
}

// The figure named `name` in a memory.stat, or nothing when it is absent or garbled.
qint64 statFigure(const QString& path, QByteArrayView name)
{
    const std::optional<QByteArray> stat = readSmall(path);
    if (!stat)
        return 0;
    for (const QByteArray& line : stat->split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2 && fields[0] == name)
            return std::max<qint64>(0, fields[1].trimmed().toLongLong());
    }
    return 0;
}

// The names a hierarchy's files have in one version of control groups.
struct GroupFiles
{
    QLatin1String limit;
    QLatin1String usage;
    QLatin1String stat;
    QByteArrayView reclaimable;
};

// What `group` and the groups above it in the hierarchy mounted at `hierarchy` still allow. A limit set on a
// parent (a user's slice, a container) holds for every group below it. The file cache the kernel can take back
// counts as free, as it does in the system's MemAvailable.
std::optional<qint64> groupAvailable(const QString& hierarchy, QString group, const GroupFiles& names)
{
    std::optional<qint64> result;
    for (;;) {
        const QString folder = hierarchy + group + QLatin1Char('/');
        const std::optional<qint64> limit = numberIn(folder + names.limit);
        const std::optional<qint64> usage = numberIn(folder + names.usage);
        if (limit && usage) {
            const qint64 reclaimable = statFigure(folder + names.stat, names.reclaimable);
            result = least(result, leftUnder(*limit, *usage - std::min(reclaimable, std::max<qint64>(0, *usage))));
        }
        const qsizetype slash = group.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return result;
        group.truncate(slash);
    }
}

} // namespace

std::optional<qint64> ProcessMemory::available(const QString& root)
{
    std::optional<qint64> result = systemAvailable(root);
    const std::optional<QByteArray> groups = readSmall(root + QLatin1String("/proc/self/cgroup"));
    if (!groups)
        return result;
    const QString mounts = root + QLatin1String("/sys/fs/cgroup");
    for (const QByteArray& line : groups->split('\n')) {
        // "0::/path" in version 2; "4:memory:/path" for version 1's memory controller.
        const QList<QByteArray> fields = line.split(':');
        if (fields.size() < 3)
            continue;
        const QByteArray path = line.sliced(fields[0].size() + fields[1].size() + 2);
        // A group's path never climbs; one that did would lead out of the hierarchy.
        if (!path.startsWith('/') || path.contains("/.."))
            continue;
        QString group = QString::fromUtf8(path);
        if (group.endsWith(QLatin1Char('/')))
            group.chop(1);
        if (fields[0] == "0" && fields[1].isEmpty()) {
            result = least(result,
                groupAvailable(mounts, group,
                    { QLatin1String("memory.max"), QLatin1String("memory.current"), QLatin1String("memory.stat"),
                        "inactive_file" }));
        } else if (fields[1].split(',').contains("memory")) {
            result = least(result,
                groupAvailable(mounts + QLatin1String("/memory"), group,
                    { QLatin1String("memory.limit_in_bytes"), QLatin1String("memory.usage_in_bytes"),
                        QLatin1String("memory.stat"), "total_inactive_file" }));
        }
    }
    return result;
}

} // namespace platform

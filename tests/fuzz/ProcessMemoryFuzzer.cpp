// Reads the memory left to the process from any /proc/meminfo, /proc/self/cgroup and control group files: whatever
// they hold, the answer comes, and is never below nothing.
#include "FuzzSupport.h"
#include "platform/files/ProcessMemory.h"

using platform::ProcessMemory;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Sections apart by an ASCII record separator: the meminfo, the cgroup list, then the figures of the groups /a and
    // /a/b in both versions' file names, then their memory.stat files.
    const QList<QByteArray> sections = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\x1e');
    const QDir root = fuzz::emptyFolder(QStringLiteral("root"));
    const QStringList files = { "proc/meminfo", "proc/self/cgroup", "sys/fs/cgroup/a/memory.max",
        "sys/fs/cgroup/a/memory.current", "sys/fs/cgroup/a/b/memory.max", "sys/fs/cgroup/a/b/memory.current",
        "sys/fs/cgroup/memory/a/memory.limit_in_bytes", "sys/fs/cgroup/memory/a/memory.usage_in_bytes",
        "sys/fs/cgroup/a/memory.stat", "sys/fs/cgroup/a/b/memory.stat", "sys/fs/cgroup/memory/a/memory.stat" };
    for (qsizetype i = 0; i < files.size() && i < sections.size(); ++i) {
        FUZZ_CHECK(root.mkpath(QFileInfo(root.filePath(files[i])).path()));
        fuzz::writeFile(root.filePath(files[i]), sections[i]);
    }
    const std::optional<qint64> available = ProcessMemory::available(root.path());
    FUZZ_CHECK(!available || *available >= 0);
    return 0;
}

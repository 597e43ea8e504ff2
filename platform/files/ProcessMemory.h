#pragma once

#include <QString>
#include <optional>

namespace platform {

// How much more memory this process can take before the machine, or the control group the process is kept in,
// runs out: the kernel ends a process that takes more, and with it every reminder.
class ProcessMemory
{
public:
    // In bytes, the least of the system's available memory and what the process's control group and each group
    // above it still allow (version 2, or version 1's memory controller), the file cache the kernel can take back
    // counted as free. Absent when none of it is known.
    // `root` stands for "/", so that a test can give a tree of its own.
    static std::optional<qint64> available(const QString& root = QStringLiteral("/"));
};

} // namespace platform

#pragma once

#include "platform/log/SystemLog.h"

#include <QStringList>

namespace platform {

// Keeps the written lines for tests to read.
class MemorySystemLog final : public SystemLog
{
public:
    void write(const QString& line) override { m_lines.append(line); }

    QStringList lines() const { return m_lines; }

private:
    QStringList m_lines;
};

} // namespace platform

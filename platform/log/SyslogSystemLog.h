#pragma once

#include "platform/log/SystemLog.h"

namespace platform {

// Writes to syslog under the ident "tolvar".
class SyslogSystemLog final : public SystemLog
{
public:
    SyslogSystemLog();
    ~SyslogSystemLog() override;

    SyslogSystemLog(const SyslogSystemLog&) = delete;
    SyslogSystemLog& operator=(const SyslogSystemLog&) = delete;

    void write(const QString& line) override;
};

} // namespace platform

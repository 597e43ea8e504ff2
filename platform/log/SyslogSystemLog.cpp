#include "platform/log/SyslogSystemLog.h"

#include <syslog.h>

namespace platform {

SyslogSystemLog::SyslogSystemLog()
{
    // openlog keeps the pointer, so the ident must outlive the connection: a literal does.
    openlog("tolvar", LOG_PID, LOG_USER);
}

SyslogSystemLog::~SyslogSystemLog()
{
    closelog();
}

void SyslogSystemLog::write(const QString& line)
{
    syslog(LOG_NOTICE, "%s", line.toUtf8().constData());
}

} // namespace platform

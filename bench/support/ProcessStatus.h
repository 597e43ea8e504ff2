#pragma once

#include <QByteArray>

// A line of /proc/self/status in kB, such as VmHWM (the peak resident memory) or VmRSS; -1 when unread.
qint64 statusKilobytes(const QByteArray& name);

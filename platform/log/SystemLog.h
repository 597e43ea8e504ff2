#pragma once

#include <QString>

namespace platform {

// The system's log, for the few failures that the program reports nowhere else.
class SystemLog
{
public:
    virtual ~SystemLog() = default;

    virtual void write(const QString& line) = 0;
};

} // namespace platform

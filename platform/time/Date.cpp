#include "platform/time/Date.h"

#include <algorithm>
#include <cmath>

namespace platform {

Date Date::fromDateTime(const QDateTime& dateTime)
{
    return fromSecondsSince1970(double(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

qint64 Date::wholeSecondsSince1970() const
{
    const double seconds = std::trunc(secondsSince1970());
    if (!std::isfinite(seconds))
        return 0;
    // Clamp so that a stray date can never overflow the conversion.
    constexpr double limit = 9.2e18;
    return qint64(std::clamp(seconds, -limit, limit));
}

bool Date::isInRecordRange() const
{
    return std::isfinite(m_seconds) && m_seconds >= distantPastSeconds && m_seconds <= distantFutureSeconds;
}

QDateTime Date::toDateTime() const
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(secondsSince1970() * 1000.0)), Qt::UTC);
}

} // namespace platform

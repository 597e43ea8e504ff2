#pragma once

#include <QDateTime>
#include <compare>

namespace platform {

// An absolute point in time: seconds since 2001-01-01 00:00:00 UTC, the form the stored records use.
class Date
{
public:
    static constexpr double referenceDateSince1970 = 978307200.0;
    static constexpr double distantPastSeconds = -63114076800.0;
    // 9999-12-31 23:59:59 UTC: the last second any stored record may hold.
    static constexpr double distantFutureSeconds = 252423993599.0;

    constexpr Date() = default;
    constexpr explicit Date(double secondsSinceReferenceDate)
        : m_seconds(secondsSinceReferenceDate)
    { }

    static constexpr Date distantPast() { return Date(distantPastSeconds); }
    static constexpr Date fromSecondsSince1970(double seconds) { return Date(seconds - referenceDateSince1970); }
    static Date fromDateTime(const QDateTime& dateTime);

    constexpr double secondsSinceReferenceDate() const { return m_seconds; }
    constexpr double secondsSince1970() const { return m_seconds + referenceDateSince1970; }
    // Whole seconds since 1970, truncated toward zero. Only meaningful for dates in the record range.
    qint64 wholeSecondsSince1970() const;
    // Finite and between the distant past and the end of year 9999.
    bool isInRecordRange() const;

    constexpr Date addingSeconds(double seconds) const { return Date(m_seconds + seconds); }
    constexpr double secondsSince(Date other) const { return m_seconds - other.m_seconds; }
    // Millisecond precision, in UTC; convert with toLocalTime() or toTimeZone() for calendar work.
    QDateTime toDateTime() const;

    constexpr auto operator<=>(const Date&) const = default;

private:
    double m_seconds = 0;
};

} // namespace platform

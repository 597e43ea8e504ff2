#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QDateTime>
#include <QTimeZone>

// The instant at which the clocks of `zone` show the given wall time (the later one in a repeated hour).
inline platform::Date wallTime(const char* zone, int year, int month, int day, int hour, int minute = 0)
{
    return platform::Date::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone(QByteArray(zone))));
}

inline tolvar::MeetingSnapshot busyMeeting(platform::Date start, platform::Date end)
{
    tolvar::MeetingSnapshot meeting;
    meeting.id = QString::number(start.secondsSinceReferenceDate());
    meeting.title = QStringLiteral("Busy");
    meeting.startDate = start;
    meeting.endDate = end;
    return meeting;
}

// Lets failures print texts readably.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

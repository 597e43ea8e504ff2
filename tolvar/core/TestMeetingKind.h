#pragma once

#include <QList>
#include <QString>

namespace tolvar {

// The kinds of local test meeting with which the user can try the reminder.
enum class TestMeetingKind { online, inPerson, hybrid, calendarEvent };

QList<TestMeetingKind> allTestMeetingKinds();
// Localised display name.
QString title(TestMeetingKind kind);

} // namespace tolvar

#include "tolvar/core/TestMeetingKind.h"

#include "platform/text/Localized.h"

namespace tolvar {

QList<TestMeetingKind> allTestMeetingKinds()
{
    return { TestMeetingKind::online, TestMeetingKind::inPerson, TestMeetingKind::hybrid,
        TestMeetingKind::calendarEvent };
}

QString title(TestMeetingKind kind)
{
    switch (kind) {
    case TestMeetingKind::online:
        return platform::localized("Online");
    case TestMeetingKind::inPerson:
        return platform::localized("In Person");
    case TestMeetingKind::hybrid:
        return platform::localized("Hybrid");
    case TestMeetingKind::calendarEvent:
        return platform::localized("Calendar Event");
    }
    return {};
}

} // namespace tolvar

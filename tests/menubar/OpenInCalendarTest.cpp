#include "tolvar/menubar/OpenInCalendar.h"

#include "platform/calendarapp/TestCalendarApp.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using tolvar::MeetingSnapshot;

namespace {

MeetingSnapshot meetingAt(const QDateTime& start)
{
    MeetingSnapshot meeting;
    meeting.id = "m1";
    meeting.title = "Design review";
    meeting.startDate = platform::Date::fromDateTime(start);
    meeting.endDate = meeting.startDate.addingSeconds(1800);
    return meeting;
}

MeetingSnapshot fullyIdentified()
{
    MeetingSnapshot meeting = meetingAt(QDateTime(QDate(2026, 3, 5), QTime(9, 30, 7), Qt::LocalTime));
    meeting.title = R"(Say "hi" \o/)";
    meeting.calendarExternalIdentifier = "CAL-1";
    meeting.calendarTitle = "Work";
    meeting.eventExternalIdentifier = "uid-7";
    meeting.calendarItemIdentifier = "item-7";
    return meeting;
}

} // namespace

TEST(CalendarEventURL, StartInUtcAndTheItemIdentifierWithItsSlashEncoded)
{
    MeetingSnapshot meeting = meetingAt(QDateTime(QDate(2026, 3, 5), QTime(9, 30), QTimeZone::utc()));
    meeting.calendarItemIdentifier = "A/B";
    const std::optional<QUrl> url = tolvar::calendarEventURL(meeting);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->toString(QUrl::FullyEncoded), "ical://ekevent/20260305T093000Z/A%2FB?method=show&options=more");

    // Characters a path may hold stay; the rest are encoded.
    meeting.calendarItemIdentifier = "x:y@z?#é ";
    EXPECT_EQ(tolvar::calendarEventURL(meeting)->toString(QUrl::FullyEncoded),
        "ical://ekevent/20260305T093000Z/x:y@z%3F%23%C3%A9%20?method=show&options=more");

    meeting.calendarItemIdentifier = "";
    EXPECT_EQ(tolvar::calendarEventURL(meeting), std::nullopt);
    meeting.calendarItemIdentifier.reset();
    EXPECT_EQ(tolvar::calendarEventURL(meeting), std::nullopt);
}

TEST(CalendarRevealScript, TheWholeTextForAFullyIdentifiedMeeting)
{
    // Title: backslash doubled first, then each quote preceded by one backslash.
    const QString expected = QString::fromUtf8(R"SCRIPT(tell application "Calendar"
  activate
  set d to current date
  set year of d to 2026
  set month of d to 3
  set day of d to 5
  set hours of d to 9
  set minutes of d to 30
  set seconds of d to 7
  set dLow to d - 2 * minutes
  set dHigh to d + 2 * minutes

  set matchedEvent to missing value
  set targetCal to missing value

    try
    set targetCal to first calendar whose calendarIdentifier is "CAL-1"
  end try
  if targetCal is missing value then
    try
      set targetCal to first calendar whose name is "Work"
    end try
  end if

  if targetCal is not missing value then
      try
    tell targetCal
      set candidates to (every event whose uid is "uid-7" and start date ≥ dLow and start date ≤ dHigh)
      if (count of candidates) > 0 then
        set matchedEvent to item 1 of candidates
      else
        set byUID to (every event whose uid is "uid-7")
        if (count of byUID) > 0 then set matchedEvent to item 1 of byUID
      end if
    end tell
  end try
  if matchedEvent is missing value then
    try
      tell targetCal
        set candidates to (every event whose summary is "Say \"hi\" \\o/" and start date ≥ dLow and start date ≤ dHigh)
        if (count of candidates) > 0 then set matchedEvent to item 1 of candidates
      end tell
    end try
  end if
  end if

  if matchedEvent is missing value then
    repeat with cal in calendars
      if matchedEvent is not missing value then exit repeat
      try
        tell cal
          set candidates to (every event whose summary is "Say \"hi\" \\o/" and start date ≥ dLow and start date ≤ dHigh)
          if (count of candidates) > 0 then set matchedEvent to item 1 of candidates
        end tell
      end try
    end repeat
  end if

  if matchedEvent is not missing value then
    show matchedEvent
  else
    switch view to day view
    view calendar at d
  end if
end tell)SCRIPT");
    EXPECT_EQ(tolvar::calendarRevealScript(fullyIdentified()), expected);
}

TEST(CalendarRevealScript, EmptyOrAbsentIdentifiersLeaveTheirBlocksOut)
{
    MeetingSnapshot meeting = fullyIdentified();
    meeting.calendarExternalIdentifier = "";
    meeting.calendarTitle.reset();
    meeting.eventExternalIdentifier = "";
    const QString script = tolvar::calendarRevealScript(meeting);
    EXPECT_TRUE(script.contains("set targetCal to missing value\n\n  \n\n  if targetCal is not missing value then\n"
                                "      if matchedEvent is missing value then\n"));
    EXPECT_FALSE(script.contains("calendarIdentifier"));
    EXPECT_FALSE(script.contains("uid is"));
    EXPECT_TRUE(script.contains("repeat with cal in calendars"));

    // Calendar, name and identifier are escaped like the title.
    meeting.calendarTitle = R"(Team "A")";
    meeting.eventExternalIdentifier = R"(x\y)";
    EXPECT_EQ(tolvar::calendarSelectionScript(std::nullopt, R"(Team \"A\")"),
        "  if targetCal is missing value then\n    try\n      set targetCal to first calendar whose name is "
        "\"Team \\\"A\\\"\"\n    end try\n  end if");
    const QString escapedScript = tolvar::calendarRevealScript(meeting);
    EXPECT_TRUE(escapedScript.contains(R"(whose name is "Team \"A\"")"));
    EXPECT_TRUE(escapedScript.contains(R"(every event whose uid is "x\\y")"));
    EXPECT_EQ(tolvar::calendarSelectionScript(std::nullopt, std::nullopt), QString());
}

TEST(OpenMeetingInCalendar, TheLinkFirstThenTheApplicationAndItsScript)
{
    platform::TestCalendarApp calendarApp;
    const MeetingSnapshot meeting = fullyIdentified();

    EXPECT_TRUE(tolvar::openMeetingInCalendar(meeting, calendarApp));
    EXPECT_EQ(calendarApp.openedUrls.size(), 1);
    EXPECT_TRUE(calendarApp.launched.isEmpty());
    EXPECT_TRUE(calendarApp.scripts.isEmpty());

    // A refused link falls back to starting the application and running the script.
    calendarApp.acceptsUrls = false;
    EXPECT_TRUE(tolvar::openMeetingInCalendar(meeting, calendarApp));
    EXPECT_EQ(calendarApp.launched, QStringList { "calendar.desktop" });
    EXPECT_EQ(calendarApp.scripts, QStringList { tolvar::calendarRevealScript(meeting) });

    // A script that fails, as every script does on Linux, is a failure.
    calendarApp.scriptSucceeds = false;
    EXPECT_FALSE(tolvar::openMeetingInCalendar(meeting, calendarApp));

    // Without an item id no link is tried at all; without an application nothing starts.
    MeetingSnapshot unlinked = meeting;
    unlinked.calendarItemIdentifier.reset();
    calendarApp.application.reset();
    const qsizetype links = calendarApp.openedUrls.size(), launches = calendarApp.launched.size();
    EXPECT_FALSE(tolvar::openMeetingInCalendar(unlinked, calendarApp));
    EXPECT_EQ(calendarApp.openedUrls.size(), links);
    EXPECT_EQ(calendarApp.launched.size(), launches);
}

#include "tolvar/menubar/PanelMeetingLists.h"
#include "PanelTestSupport.h"
#include "tolvar/menubar/PanelLabels.h"

using namespace paneltest;
using tolvar::MeetingSnapshot;
using tolvar::PanelMeetingLists;
namespace PanelLabels = tolvar::PanelLabels;

namespace {
QStringList titles(const QList<MeetingSnapshot>& meetings)
{
    QStringList list;
    for (const MeetingSnapshot& meeting : meetings)
        list.append(meeting.title);
    return list;
}

class PanelMeetingListsTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        ui.setNow(clock.now());
    }

    PanelMeetingLists lists() { return PanelMeetingLists::make(app(), ui); }

    tolvar::MenuBarInteractionModel ui { clock };
};
} // namespace

TEST_F(PanelMeetingListsTest, TodaySplitsIntoNowNextAndUpcoming)
{
    app().setMeetings({
        panelMeeting("Later", berlin(2026, 3, 5, 15)),
        panelMeeting("Standup", berlin(2026, 3, 5, 10), 60),
        panelMeeting("Tomorrow", berlin(2026, 3, 6, 9)),
        panelMeeting("Review", berlin(2026, 3, 5, 11)),
        panelMeeting("Ended", berlin(2026, 3, 5, 9)),
        panelMeeting("Pairing", berlin(2026, 3, 5, 10, 5), 30),
        panelMeeting("Lunch", berlin(2026, 3, 5, 12)),
    });
    const PanelMeetingLists today = lists();
    EXPECT_EQ(titles(today.current), QStringList({ "Standup", "Pairing" }));
    ASSERT_TRUE(today.next);
    EXPECT_EQ(today.next->title, "Review");
    EXPECT_EQ(titles(today.upcoming), QStringList({ "Lunch", "Later" }));
    EXPECT_EQ(titles(today.navigable), QStringList({ "Standup", "Pairing", "Review", "Lunch", "Later" }));
    EXPECT_EQ(titles(today.selectedDay), QStringList({ "Ended", "Standup", "Pairing", "Review", "Lunch", "Later" }));
}

TEST_F(PanelMeetingListsTest, AMeetingStartingNowIsRunningNotNext)
{
    app().setMeetings({ panelMeeting("Now", clock.now()), panelMeeting("Soon", clock.now().addingSeconds(1)) });
    const PanelMeetingLists today = lists();
    EXPECT_EQ(titles(today.current), QStringList({ "Now" }));
    EXPECT_EQ(today.next->title, "Soon");
    EXPECT_TRUE(today.upcoming.isEmpty());
}

TEST_F(PanelMeetingListsTest, AMeetingThatStartedSinceTheLastTickShowsOnlyAsRunning)
{
    ui.setNow(clock.now());
    app().setMeetings({ panelMeeting("Starting", clock.now().addingSeconds(20)),
        panelMeeting("Next", clock.now().addingSeconds(600)), panelMeeting("After", clock.now().addingSeconds(900)) });
    clock.setNow(clock.now().addingSeconds(30)); // the wall clock moved on, the panel's clock has not ticked
    const PanelMeetingLists today = lists();
    EXPECT_EQ(titles(today.current), QStringList({ "Starting" }));
    EXPECT_EQ(today.next->title, "Next");
    EXPECT_EQ(titles(today.navigable), QStringList({ "Starting", "Next", "After" })) << "each id once";
}

TEST_F(PanelMeetingListsTest, AnotherDayListsItsMeetingsAndTheDetailLabelNamesOtherDays)
{
    const MeetingSnapshot friday = panelMeeting("Friday", berlin(2026, 3, 6, 9));
    const MeetingSnapshot saturday = panelMeeting("Saturday", berlin(2026, 3, 7, 9));
    app().setMeetings({ saturday, friday, panelMeeting("Today", berlin(2026, 3, 5, 16)) });
    ui.setSelectedDayOffset(1);
    const PanelMeetingLists tomorrow = lists();
    EXPECT_EQ(titles(tomorrow.navigable), QStringList({ "Friday" }));
    EXPECT_EQ(tomorrow.detailTimeLabel(friday), "9:00 AM – 9:30 AM") << "on the selected day";
    EXPECT_EQ(tomorrow.detailTimeLabel(saturday), "Sat 9:00 AM – 9:30 AM");

    EXPECT_EQ(PanelMeetingLists::maxDayOffset(1), 0);
    EXPECT_EQ(PanelMeetingLists::maxDayOffset(7), 6);
    EXPECT_EQ(PanelMeetingLists::maxDayOffset(0), 0);
}

TEST_F(PanelMeetingListsTest, TheDetailFollowsTheHoverElseTheKeyboardSelection)
{
    const MeetingSnapshot first = panelMeeting("First", berlin(2026, 3, 5, 11));
    const MeetingSnapshot second = panelMeeting("Second", berlin(2026, 3, 5, 12));
    app().setMeetings({ first, second });
    ui.setSelectedMeetingID(first.id);
    EXPECT_EQ(lists().detailMeeting(ui), std::nullopt) << "a selection alone opens no detail";
    ui.setShowDetailFromKeyboard(true);
    EXPECT_EQ(lists().detailMeeting(ui)->title, "First");
    ui.setHovered(second.id);
    EXPECT_EQ(lists().detailMeeting(ui)->title, "Second");
    ui.setHovered("gone");
    EXPECT_EQ(lists().detailMeeting(ui)->title, "First") << "a hovered id no longer listed";
}

TEST_F(PanelMeetingListsTest, CountdownsAtTheirEdges)
{
    const platform::Date now = clock.now();
    const QDate today = PanelLabels::localDate(now);
    const auto countdown = [&](double ahead) {
        return PanelLabels::countdownLabel(panelMeeting("M", now.addingSeconds(ahead)), now, today);
    };
    EXPECT_EQ(countdown(0), "ends 10:45 AM");
    EXPECT_EQ(countdown(-10), "ends 10:44 AM");
    EXPECT_EQ(countdown(0.2), "in 0m 01s");
    EXPECT_EQ(countdown(3599), "in 59m 59s");
    EXPECT_EQ(countdown(3599.5), "in 1h 0m");
    EXPECT_EQ(countdown(3600), "in 1h 0m");
    EXPECT_EQ(countdown(86399), "in 23h 59m");
    EXPECT_EQ(countdown(86400), "Tomorrow");
    EXPECT_EQ(countdown(3 * 86400), "Sun");
    MeetingSnapshot ended = panelMeeting("Ended", now.addingSeconds(-3600));
    EXPECT_EQ(PanelLabels::countdownLabel(ended, now, today), "now") << "a start already passed";
}

TEST_F(PanelMeetingListsTest, TimesAreHoursAndMinutesEvenWhereTheLocaleShortFormHasSeconds)
{
    QLocale::setDefault(QLocale::c());
    const platform::Date now = clock.now();
    EXPECT_EQ(PanelLabels::timeRangeLabel(panelMeeting("M", berlin(2026, 3, 5, 11, 0, 42))), "11:00 – 11:30");
    EXPECT_EQ(PanelLabels::countdownLabel(panelMeeting("M", now), now, PanelLabels::localDate(now)), "ends 10:45");
}

TEST_F(PanelMeetingListsTest, DayLabels)
{
    const QDate today(2026, 3, 5);
    EXPECT_EQ(PanelLabels::dayLabel(berlin(2026, 3, 5, 23, 59), today), "Today");
    EXPECT_EQ(PanelLabels::dayLabel(berlin(2026, 3, 6, 0, 0), today), "Tomorrow");
    EXPECT_EQ(PanelLabels::dayLabel(berlin(2026, 3, 9, 8), today), "Mon · Mar 9");
    EXPECT_EQ(PanelLabels::shortDayLabel(berlin(2026, 3, 9, 8), today), "Mon");
    // Across the spring change of clocks, still whole days.
    EXPECT_EQ(PanelLabels::localDate(PanelMeetingLists::dateAfterDays(berlin(2026, 3, 28, 12), 1)), QDate(2026, 3, 29));
}

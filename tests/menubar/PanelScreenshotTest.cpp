#include "PanelTestSupport.h"
#include "tolvar/menubar/BackToTodayTooltip.h"
#include "tolvar/menubar/DayNavBackToTodayTitle.h"
#include "tolvar/menubar/DayNavigationBar.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/MenuBarContentView.h"

#include <QEnterEvent>

using namespace paneltest;
using tolvar::MeetingSnapshot;
using tolvar::MenuBarContentView;

namespace {
// The panel as its windows show it, saved for a person to look at.
class PanelScreenshotTest : public PanelViewTest
{
protected:
    MenuBarContentView& open(const QList<MeetingSnapshot>& meetings)
    {
        app().setSyncStatus(QStringLiteral("Synced 10:14"), tolvar::AppModel::SyncState::synced);
        return PanelViewTest::open(meetings);
    }

    void save(const QString& name)
    {
        settle();
        EXPECT_EQ(view->width(), MenuBarContentView::mainPanelWidth);
        EXPECT_EQ(view->height(), view->sizeHint().height()) << "as high as the content";
        testsupport::saveScreenshot(*view, name);
    }

    QList<MeetingSnapshot> busyDay()
    {
        MeetingSnapshot standup = panelMeeting("Weekly product sync", berlin(2026, 3, 5, 10), 45,
            QStringLiteral("https://zoom.us/j/42"), QStringLiteral("Room 4, Main building"));
        MeetingSnapshot review = panelMeeting("Design review", berlin(2026, 3, 5, 10, 52, 30), 30,
            QStringLiteral("https://meet.google.com/abc-defg-hij"));
        review.calendarTitle = QStringLiteral("Design");
        MeetingSnapshot lunch
            = panelMeeting("Team lunch", berlin(2026, 3, 5, 12, 30), 60, std::nullopt, QStringLiteral("Café Nord"));
        lunch.calendarTitle = QStringLiteral("Social");
        MeetingSnapshot oneOnOne = panelMeeting("1:1 with Dana about the quarterly roadmap and hiring plans",
            berlin(2026, 3, 5, 14), 30, QStringLiteral("https://teams.microsoft.com/l/1"));
        MeetingSnapshot task = panelMeeting("Send the board update", berlin(2026, 3, 5, 17), 0, std::nullopt);
        task.isTask = true;
        task.calendarTitle = QStringLiteral("Tasks");
        return { standup, review, lunch, oneOnOne, task, panelMeeting("Planning", berlin(2026, 3, 6, 9)) };
    }
};
} // namespace

TEST_F(PanelScreenshotTest, TodayWithARunningMeetingTheNextWithinTheHourAndUpcomingRows)
{
    const QList<MeetingSnapshot> meetings = busyDay();
    open(meetings);
    app().muteReminder(meetings[3]);
    EXPECT_TRUE(view->nowSection()->isVisible());
    EXPECT_TRUE(view->nextSection()->isVisible());
    EXPECT_EQ(view->upcomingSection()->ids().size(), 3);
    save(QStringLiteral("panel-today"));
}

TEST_F(PanelScreenshotTest, KeyboardSelectionOnAnUpcomingRow)
{
    open(busyDay());
    view->onDown();
    view->onDown();
    view->onDown();
    EXPECT_EQ(view->ui().selectedMeetingID(), view->upcomingSection()->ids().at(1));
    save(QStringLiteral("panel-keyboard-selection"));
    view->onUp();
    view->onUp();
    save(QStringLiteral("panel-keyboard-selection-card"));
}

TEST_F(PanelScreenshotTest, AnEmptyToday)
{
    open({ panelMeeting("Planning", berlin(2026, 3, 6, 9)) });
    save(QStringLiteral("panel-caught-up"));
}

TEST_F(PanelScreenshotTest, AnotherDayWithBackToTodayHovered)
{
    open(busyDay());
    view->onRight();
    QEnterEvent enter(QPointF(10, 5), QPointF(10, 5), QPointF(10, 5));
    QCoreApplication::sendEvent(view->dayNavigation()->backToTodayTitle(), &enter);
    EXPECT_TRUE(view->ui().showBackToTodayTooltip());
    EXPECT_TRUE(view->backToTodayTooltip()->isVisible());
    save(QStringLiteral("panel-tomorrow-back-to-today"));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view->dayNavigation()->backToTodayTitle(), &leave);
    EXPECT_FALSE(view->backToTodayTooltip()->isVisible());
}

TEST_F(PanelScreenshotTest, AnotherDayWithoutMeetings)
{
    open(busyDay());
    view->onRight();
    view->onRight();
    save(QStringLiteral("panel-empty-day"));
}

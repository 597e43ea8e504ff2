#include "tolvar/menubar/MenuBarContentView.h"
#include "PanelTestSupport.h"
#include "tolvar/core/SupportContact.h"
#include "tolvar/menubar/AvailabilitySharePanel.h"
#include "tolvar/menubar/BackToTodayTooltip.h"
#include "tolvar/menubar/CaughtUpCard.h"
#include "tolvar/menubar/DayNavBackToTodayTitle.h"
#include "tolvar/menubar/DayNavButton.h"
#include "tolvar/menubar/DayNavigationBar.h"
#include "tolvar/menubar/EmptyDayCard.h"
#include "tolvar/menubar/FeaturedMeetingCard.h"
#include "tolvar/menubar/FooterButton.h"
#include "tolvar/menubar/MeetingRow.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/PanelFooter.h"
#include "tolvar/menubar/PanelHeader.h"
#include "tolvar/menubar/SectionHeader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>

using namespace paneltest;
using tolvar::MeetingSnapshot;
using tolvar::MenuBarContentView;

namespace {
class FakeSharePanel final : public tolvar::AvailabilitySharePanel
{
public:
    bool isOpen() const override { return open; }
    void show(QWidget* anchor, const QList<MeetingSnapshot>& meetings, bool hide) override
    {
        open = true;
        shownMeetings = meetings.size();
        lastAnchor = anchor;
        hideFromScreenSharing = hide;
    }
    void close() override { open = false; }

    bool open = false;
    qsizetype shownMeetings = -1;
    QWidget* lastAnchor = nullptr;
    bool hideFromScreenSharing = false;
};

class MenuBarContentViewTest : public PanelViewTest
{
protected:
    QStringList navigable() const { return view->meetingLists().navigableIDs(); }
    std::optional<QString> selected() const { return view->ui().selectedMeetingID(); }

    // The clock moves on and the panel's clock ticks, without the model's own timers (a refresh
    // would replace the test's meetings).
    void tick(double seconds)
    {
        clock.setNow(clock.now().addingSeconds(seconds));
        view->ui().setNow(clock.now());
    }

    const MeetingSnapshot standup = panelMeeting("Standup", berlin(2026, 3, 5, 10), 60);
    const MeetingSnapshot review = panelMeeting("Design review", berlin(2026, 3, 5, 10, 40), 30,
        QStringLiteral("https://meet.google.com/abc-defg-hij"), QStringLiteral("Room 4"));
    const MeetingSnapshot lunch
        = panelMeeting("Team lunch", berlin(2026, 3, 5, 12, 30), 60, std::nullopt, QStringLiteral("Café Nord"));
    const MeetingSnapshot focus = panelMeeting("Focus time", berlin(2026, 3, 5, 15), 90, std::nullopt);
    const MeetingSnapshot tomorrow = panelMeeting("Planning", berlin(2026, 3, 6, 9));
};
} // namespace

TEST_F(MenuBarContentViewTest, UpAndDownWalkTheListWithoutWrapping)
{
    open({ standup, review, lunch, focus, tomorrow });
    EXPECT_EQ(navigable(), QStringList({ standup.id, review.id, lunch.id, focus.id }));
    EXPECT_EQ(selected(), standup.id) << "opening selects the first meeting";

    view->ui().setSelectedMeetingID(std::nullopt);
    view->onUp();
    EXPECT_EQ(selected(), standup.id) << "up without a selection selects the first";
    EXPECT_TRUE(view->ui().showDetailFromKeyboard());
    view->onUp();
    EXPECT_EQ(selected(), standup.id);
    view->onDown();
    view->onDown();
    EXPECT_EQ(selected(), lunch.id);
    view->onDown();
    view->onDown();
    EXPECT_EQ(selected(), focus.id) << "down at the last stays there";
    view->ui().setSelectedMeetingID(QStringLiteral("not listed"));
    view->onDown();
    EXPECT_EQ(selected(), standup.id) << "a selection outside the list starts over at the first";
    EXPECT_EQ(view->detailMeeting()->id, standup.id) << "the detail follows the keys";
}

TEST_F(MenuBarContentViewTest, UpAndDownOnAnEmptyDayDoNothing)
{
    open({});
    view->onDown();
    view->onUp();
    EXPECT_EQ(selected(), std::nullopt);
    EXPECT_FALSE(view->ui().showDetailFromKeyboard());
}

TEST_F(MenuBarContentViewTest, LeftAndRightStayWithinTheDaysAhead)
{
    app().setForwardDays(3);
    settle(); // the refresh that a new number of days starts
    open({ standup, tomorrow });
    view->onLeft();
    EXPECT_EQ(view->ui().selectedDayOffset(), 0);
    view->onRight();
    EXPECT_EQ(view->ui().selectedDayOffset(), 1);
    EXPECT_EQ(selected(), tomorrow.id) << "a new day selects its first meeting";
    view->onRight();
    view->onRight();
    EXPECT_EQ(view->ui().selectedDayOffset(), 2);
    EXPECT_FALSE(view->dayNavigation()->nextButton()->isEnabled());
    EXPECT_EQ(selected(), std::nullopt) << "an empty day leaves no selection";
    view->onLeft();
    EXPECT_EQ(view->ui().selectedDayOffset(), 1);

    app().setForwardDays(1);
    view->onRight();
    EXPECT_EQ(view->ui().selectedDayOffset(), 1) << "one day ahead configured: right does nothing";
}

TEST_F(MenuBarContentViewTest, ReturnActivatesTheSelectionOnly)
{
    open({ review });
    view->ui().setSelectedMeetingID(std::nullopt);
    view->onReturn();
    EXPECT_TRUE(machine.workspace.openedUrls().isEmpty());
    view->onDown();
    view->onReturn();
    EXPECT_EQ(machine.workspace.openedUrls(), QList<QUrl>({ *review.joinURL }));
}

TEST_F(MenuBarContentViewTest, ActivationJoinsCopiesThePlaceOrDismisses)
{
    open({ review, lunch, focus });
    view->activate(review);
    EXPECT_EQ(machine.workspace.openedUrls(), QList<QUrl>({ *review.joinURL }));
    EXPECT_TRUE(app().reminderStates().value(review.id).dismissedAt.has_value())
        << "the setting to dismiss on joining from the panel is on by default";

    view->activate(lunch);
    EXPECT_EQ(selected(), lunch.id);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Café Nord");
    EXPECT_FALSE(app().reminderStates().contains(lunch.id));

    view->activate(focus);
    EXPECT_TRUE(app().reminderStates().value(focus.id).dismissedAt.has_value());
    EXPECT_EQ(machine.workspace.openedUrls().size(), 1);
}

TEST_F(MenuBarContentViewTest, AServicesNameIsCopiedButNotShownAsAPlace)
{
    const MeetingSnapshot vendor = panelMeeting(
        "Vendor call", berlin(2026, 3, 5, 11), 30, std::nullopt, QStringLiteral("Microsoft Teams Meeting"));
    open({ vendor });
    auto* card = static_cast<tolvar::FeaturedMeetingCard*>(view->nextSection()->items().first());
    EXPECT_FALSE(card->place()) << "no place line";
    const auto* copy = card->findChild<QAbstractButton*>();
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->isVisibleTo(card));
    EXPECT_EQ(copy->accessibleName(), "Copy location for Vendor call");
    testsupport::saveScreenshot(*view, QStringLiteral("panel-service-name-as-place"));

    QGuiApplication::clipboard()->setText("before");
    view->ui().setSelectedMeetingID(vendor.id);
    view->onReturn();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Microsoft Teams Meeting");
    EXPECT_FALSE(app().reminderStates().contains(vendor.id));

    open({ lunch });
    card = static_cast<tolvar::FeaturedMeetingCard*>(view->nextSection()->items().first());
    EXPECT_EQ(card->place(), "Café Nord");
}

TEST_F(MenuBarContentViewTest, MuteAndUnmuteActOnTheSelectedMeeting)
{
    open({ review, lunch });
    view->onUnmute();
    EXPECT_TRUE(app().reminderStates().isEmpty()) << "unmuting a meeting that is not muted writes nothing";
    view->onMute();
    EXPECT_TRUE(app().isReminderMuted(review));
    EXPECT_FALSE(app().isReminderMuted(lunch));
    auto* card = static_cast<tolvar::FeaturedMeetingCard*>(view->nextSection()->items().first());
    EXPECT_TRUE(card->display().muted);
    EXPECT_EQ(card->toolTip(), "Unmute reminder (Ctrl+U)");
    EXPECT_EQ(card->accessibleName(), "Design review, Muted");
    EXPECT_EQ(card->accessibleDescription(), "Muted. Press Ctrl U to unmute.");
    view->onUnmute();
    EXPECT_FALSE(app().isReminderMuted(review));
    EXPECT_EQ(card->toolTip(), "Mute reminder (Ctrl+M)");
    EXPECT_EQ(card->accessibleDescription(), "Press Ctrl M to mute reminder.");
}

TEST_F(MenuBarContentViewTest, EscapeHidesTheWindow)
{
    open({ review });
    QSignalSpy cancelled(view.get(), &MenuBarContentView::cancelRequested);
    view->handleAction(tolvar::PanelTransientHotkeys::Action::escape);
    EXPECT_EQ(cancelled.size(), 1);
    EXPECT_FALSE(view->isVisible());
    EXPECT_FALSE(view->ui().isClockRunning()) << "hiding stops the clock";
    EXPECT_EQ(view->ui().countdownTargetStart(), std::nullopt);
}

TEST_F(MenuBarContentViewTest, TheSelectionSurvivesListChangesWhileItsMeetingStays)
{
    open({ standup, review, lunch });
    view->onDown();
    view->onDown();
    EXPECT_EQ(selected(), lunch.id);
    app().setMeetings({ standup, lunch, focus });
    EXPECT_EQ(selected(), lunch.id);
    app().setMeetings({ standup, focus });
    EXPECT_EQ(selected(), standup.id) << "its meeting went: the first is selected";
    app().setMeetings({});
    EXPECT_EQ(selected(), std::nullopt);
    EXPECT_TRUE(view->caughtUpCard()->isVisible());
}

TEST_F(MenuBarContentViewTest, TheClockFollowsTheNextMeetingOnlyOnToday)
{
    open({ standup, review, tomorrow });
    EXPECT_TRUE(view->ui().isClockRunning());
    EXPECT_EQ(view->ui().countdownTargetStart(), review.startDate);
    EXPECT_EQ(view->ui().clockWait(), 1) << "25 minutes ahead: once a second";
    view->onRight();
    EXPECT_EQ(view->ui().countdownTargetStart(), std::nullopt);
    EXPECT_EQ(view->ui().clockWait(), 60);
    view->dayNavigation()->backToTodayTitle()->click();
    EXPECT_EQ(view->ui().selectedDayOffset(), 0);
    EXPECT_EQ(view->ui().countdownTargetStart(), review.startDate);
}

TEST_F(MenuBarContentViewTest, CountdownsAdvanceWithThePanelClock)
{
    open({ review });
    auto* card = static_cast<tolvar::FeaturedMeetingCard*>(view->nextSection()->items().first());
    EXPECT_EQ(card->display().countdown, "in 25m 00s");
    tick(1);
    EXPECT_EQ(card->display().countdown, "in 24m 59s");
    EXPECT_EQ(view->nextSection()->items().first(), card) << "the card is kept across rebuilds";
    tick(24 * 60 + 59);
    EXPECT_TRUE(view->nowSection()->isVisible()) << "started: it moves to NOW";
    EXPECT_FALSE(view->nextSection()->isVisible());
    EXPECT_EQ(view->ui().countdownTargetStart(), std::nullopt);
}

TEST_F(MenuBarContentViewTest, AMeetingARefreshBringsCountsDownEverySecondAtOnce)
{
    open({});
    EXPECT_EQ(view->ui().clockWait(), 60) << "nothing ahead: the clock sleeps a minute";
    clock.advance(20);
    app().setMeetings({ panelMeeting("Added", clock.now().addingSeconds(3 * 60 + 32)) });
    ASSERT_TRUE(view->nextSection()->isVisible());
    auto* card = static_cast<tolvar::FeaturedMeetingCard*>(view->nextSection()->items().first());
    clock.advance(1);
    EXPECT_EQ(card->display().countdown, "in 3m 31s");
    clock.advance(14);
    EXPECT_EQ(card->display().countdown, "in 3m 17s") << "not standing still until the minute ends";
}

TEST_F(MenuBarContentViewTest, LeavingARowForTheNextKeepsTheNewcomerHovered)
{
    open({ standup, review, lunch, focus });
    auto* lunchRow = static_cast<tolvar::MeetingRow*>(view->upcomingSection()->items().at(0));
    auto* focusRow = static_cast<tolvar::MeetingRow*>(view->upcomingSection()->items().at(1));
    Q_EMIT lunchRow->hoverChanged(lunch.id, true);
    Q_EMIT focusRow->hoverChanged(focus.id, true);
    Q_EMIT lunchRow->hoverChanged(lunch.id, false);
    clock.advance(1);
    settle();
    EXPECT_EQ(view->ui().hoveredMeetingID(), focus.id);
    EXPECT_EQ(view->detailMeeting()->id, focus.id);
}

TEST_F(MenuBarContentViewTest, TheDetailPanelHearsOfEveryChangeItShows)
{
    open({ standup, review });
    QSignalSpy changed(view.get(), &MenuBarContentView::detailChanged);
    view->ui().setHovered(review.id);
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(view->detailTimeLabel(review), "10:40 AM – 11:10 AM");
    view->expandAttendees();
    EXPECT_EQ(changed.size(), 2);

    MeetingSnapshot renamed = review;
    renamed.title = QStringLiteral("Design review (moved)");
    app().setMeetings({ standup, renamed });
    EXPECT_EQ(changed.size(), 3) << "a new title with the same id";
    EXPECT_TRUE(view->ui().showAllAttendees()) << "the same meeting keeps its expansion";

    view->ui().setHovered(standup.id);
    EXPECT_FALSE(view->ui().showAllAttendees()) << "another meeting collapses the list";
    settle();
    ASSERT_TRUE(view->detailAnchorRect());
    const QRectF anchor = *view->detailAnchorRect();
    const QWidget* card = view->nowSection()->items().first();
    EXPECT_EQ(anchor, QRectF(QRect(card->mapTo(view.get(), QPoint()), card->size())));
}

TEST_F(MenuBarContentViewTest, FooterActions)
{
    open({ review });
    FakeSharePanel share;
    view->shareAction();
    EXPECT_FALSE(share.open) << "no availability panel given: Share does nothing";
    view->setAvailabilitySharePanel(&share);
    view->footer()->shareButton()->click();
    EXPECT_TRUE(share.open);
    EXPECT_EQ(share.shownMeetings, 1);
    view->footer()->shareButton()->click();
    EXPECT_FALSE(share.open) << "a second press closes it";

    int settingsShown = 0;
    app().setShowSettingsHandler([&] { ++settingsShown; });
    view->footer()->settingsButton()->click();
    EXPECT_EQ(settingsShown, 1);

    view->footer()->supportButton()->click();
    EXPECT_EQ(machine.workspace.openedUrls(), QList<QUrl>({ tolvar::supportContactURL() }));

    // A second press while the refresh runs: the doubles never suspend, so press from inside it.
    ASSERT_NE(machine.scheduler, nullptr);
    const int evaluations = machine.scheduler->evaluateCount;
    bool refreshingMeanwhile = false;
    const QMetaObject::Connection pressAgain = QObject::connect(&app(), &tolvar::AppModel::meetingsChanged, [&] {
        refreshingMeanwhile = view->isRefreshing();
        view->refreshAction();
    });
    view->footer()->refreshButton()->click();
    settle();
    QObject::disconnect(pressAgain);
    EXPECT_TRUE(refreshingMeanwhile);
    EXPECT_FALSE(view->isRefreshing());
    EXPECT_EQ(machine.scheduler->evaluateCount, evaluations + 1) << "the second press started nothing";

    QSignalSpy quit(view.get(), &MenuBarContentView::quitRequested);
    view->footer()->quitButton()->click();
    EXPECT_EQ(quit.size(), 1);
    EXPECT_TRUE(view->footer()->quitButton()->isDestructive());
    EXPECT_FALSE(view->footer()->settingsButton()->isDestructive());
}

TEST_F(MenuBarContentViewTest, SectionsOfTodayAndOfAnotherDay)
{
    open({ standup, review, lunch, tomorrow });
    EXPECT_EQ(view->nowSection()->header()->text(), "● NOW");
    EXPECT_EQ(view->nowSection()->ids(), QStringList({ standup.id }));
    EXPECT_EQ(view->nextSection()->ids(), QStringList({ review.id }));
    EXPECT_EQ(view->upcomingSection()->ids(), QStringList({ lunch.id }));
    EXPECT_FALSE(view->caughtUpCard()->isVisible());
    EXPECT_EQ(view->dayNavigation()->title(), "Today");
    EXPECT_FALSE(view->dayNavigation()->previousButton()->isEnabled());

    view->onRight();
    EXPECT_EQ(view->dayNavigation()->title(), "Tomorrow");
    EXPECT_TRUE(view->dayListSection()->isVisible());
    EXPECT_EQ(view->dayListSection()->header()->text(), "TOMORROW · 1 EVT");
    EXPECT_FALSE(view->nowSection()->isVisible());
    view->onRight();
    EXPECT_TRUE(view->emptyDayCard()->isVisible());
    EXPECT_EQ(view->emptyDayCard()->text(), "No meetings on Sat · Mar 7");
    EXPECT_EQ(view->width(), MenuBarContentView::mainPanelWidth);
}

TEST_F(MenuBarContentViewTest, AHostsControlsTakeTheSyncStatusPlace)
{
    open({ review });
    auto* pin = new QWidget;
    pin->setFixedSize(60, 28);
    view->setHeaderAccessory(pin);
    settle();
    EXPECT_EQ(pin->parentWidget(), view->header());
    EXPECT_EQ(pin->geometry().right(), view->header()->width() - 1) << "at the header's right end";
    EXPECT_GE(view->header()->height(), 28);
    view->setHeaderAccessory(nullptr);
    settle();
    EXPECT_EQ(view->header()->accessory(), nullptr);
}

#include "PanelTestSupport.h"
#include "tolvar/menubar/BackToTodayTooltip.h"
#include "tolvar/menubar/CaughtUpCard.h"
#include "tolvar/menubar/DayNavBackToTodayTitle.h"
#include "tolvar/menubar/DayNavigationBar.h"
#include "tolvar/menubar/EmptyDayCard.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/PanelFooter.h"

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

    // Where `part` lies in the view.
    QRect placeOf(const QWidget* part) const { return QRect(part->mapTo(view.get(), QPoint(0, 0)), part->size()); }

    // How many pixels of `area` of the view, as it paints itself, match `accepts`.
    template <typename Accepts> int pixelsIn(const QRect& area, Accepts accepts) const
    {
        const QImage image = view->grab().toImage();
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x)
                count += accepts(image.pixelColor(x, y)) ? 1 : 0;
        }
        return count;
    }

    // Only `shown` of the parts that hold a day's meetings is on screen, whole, above the footer.
    void expectOnlyPart(const QWidget* shown)
    {
        const QList<const QWidget*> parts { view->nowSection(), view->nextSection(), view->upcomingSection(),
            view->dayListSection(), view->caughtUpCard(), view->emptyDayCard() };
        for (const QWidget* part : parts)
            EXPECT_EQ(part->isVisible(), part == shown) << part->metaObject()->className();
        const QRect place = placeOf(shown);
        EXPECT_EQ(place.height(), shown->heightForWidth(place.width())) << "its text wraps, never cut";
        EXPECT_LT(place.bottom(), placeOf(view->footer()).top());
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
    expectOnlyPart(view->caughtUpCard());
    EXPECT_EQ(view->caughtUpCard()->accessibleName(), "You're all caught up");

    // The teal check badge on top, then the title in white.
    const QRect card = placeOf(view->caughtUpCard());
    const QRect badge(card.center().x() - 28, card.top() + 18, 56, 56);
    EXPECT_GT(pixelsIn(badge, [](const QColor& c) { return c.green() > 200 && c.blue() > 180 && c.red() < 110; }), 100)
        << "no teal check";
    const QRect title(card.left() + 12, badge.bottom() + 14, card.width() - 24, 20);
    EXPECT_GT(pixelsIn(title,
                  [](const QColor& c) {
                      return std::min({ c.red(), c.green(), c.blue() }) > 230;
                  }),
        40)
        << "no white title";
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
    expectOnlyPart(view->emptyDayCard());
    EXPECT_EQ(view->emptyDayCard()->text(), "No meetings on Sat · Mar 7");

    // The calendar symbol in teal, then the day's text in a light grey.
    const QRect card = placeOf(view->emptyDayCard());
    const QRect symbol(card.center().x() - 11, card.top() + 22, 22, 22);
    EXPECT_GT(pixelsIn(symbol, [](const QColor& c) { return c.green() > c.red() + 60 && c.blue() > c.red() + 50; }), 20)
        << "no teal calendar";
    const QRect text(
        card.left() + 12, symbol.bottom() + 10, card.width() - 24, card.bottom() - 22 - symbol.bottom() - 10);
    EXPECT_GT(pixelsIn(text,
                  [](const QColor& c) {
                      return c.red() > 130 && std::abs(c.red() - c.green()) < 16 && std::abs(c.red() - c.blue()) < 16;
                  }),
        40)
        << "no text";
}

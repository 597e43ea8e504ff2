#include "OverlayTestSupport.h"

#include "platform/time/TestClock.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderOverlayView.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tolvar;

class ReminderOverlayViewTest : public ReminderOverlayViewFixture
{
protected:
    std::unique_ptr<ReminderOverlayView> makeView(const QList<MeetingSnapshot>& meetings)
    {
        return ReminderOverlayViewFixture::makeView(meetings, false);
    }

    // Shows the view, lets the entrance finish and saves its picture.
    void capture(ReminderOverlayView& view, const QString& name)
    {
        view.show();
        waitForAnimations(view);
        testsupport::saveScreenshot(view, name);
    }

    void focusOn(const QString& id)
    {
        for (int index = 0; index < focus.items().size(); ++index) {
            if (focus.items().at(index).id == id)
                focus.setFocusIndex(index);
        }
    }
    MeetingSnapshot online
        = overlayMeeting("m1", "Weekly product sync", clock.now(), 125, "https://US02WEB.Zoom.us/j/81");
};

TEST_F(ReminderOverlayViewTest, CountdownTextsFollowTheClock)
{
    auto view = makeView({ online });
    view->show();
    EXPECT_EQ(view->titleText(), "Meeting in 125s");
    EXPECT_EQ(view->countdownText(), "2:05");
    clock.advance(124.6);
    EXPECT_EQ(view->secondsRemaining(), 1);
    EXPECT_EQ(view->countdownText(), "0:01");
    clock.advance(0.4);
    EXPECT_EQ(view->titleText(), "Meeting starting now");
    EXPECT_EQ(view->countdownText(), "Now");
    clock.advance(30);
    EXPECT_EQ(view->secondsRemaining(), 0);

    MeetingSnapshot hourAway = overlayMeeting("m9", "Later", clock.now(), 3600);
    EXPECT_EQ(makeView({ hourAway })->countdownText(), "60:00");
}

TEST_F(ReminderOverlayViewTest, LinesNameTheServiceAndThePlace)
{
    EXPECT_EQ(ReminderOverlayView::joinServiceName(online), "Zoom");
    MeetingSnapshot elsewhere = overlayMeeting("m2", "Sync", clock.now(), 60, "https://meet.example.org/x", "Room 4");
    EXPECT_EQ(ReminderOverlayView::joinServiceName(elsewhere), std::nullopt);
    const QString summary = makeView({ elsewhere })->summaryLine();
    EXPECT_TRUE(summary.startsWith(QStringLiteral("Hybrid \u00B7 Room 4 \u00B7 Work \u00B7 Company \u00B7 starts ")))
        << summary.toStdString();
    const QString detail = makeView({ online, elsewhere })->rowDetailLine(online);
    EXPECT_TRUE(detail.startsWith(QStringLiteral("Online \u00B7 Zoom \u00B7 Work \u00B7 Company \u00B7 ")));
    EXPECT_TRUE(detail.contains(QStringLiteral(" \u2013 ")));
}

TEST_F(ReminderOverlayViewTest, AServicesNameIsNoPlaceInTheLinesButCanBeCopied)
{
    const MeetingSnapshot named = overlayMeeting("m4", "Vendor call", clock.now(), 60, {}, "Microsoft Teams Meeting");
    auto view = makeView({ named });
    EXPECT_TRUE(view->summaryLine().startsWith(QStringLiteral("Calendar event \u00B7 Work \u00B7 Company \u00B7 ")))
        << view->summaryLine().toStdString();
    EXPECT_FALSE(view->dismissIsPrimary());
    EXPECT_EQ(view->buttons().last().label.title, "Copy Location");
}

TEST_F(ReminderOverlayViewTest, TimesAreHoursAndMinutesEvenUnderTheCLocale)
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    MeetingSnapshot odd = overlayMeeting("m4", "Odd", clock.now(), 125.0 + 17.0);
    const QString summary = makeView({ odd })->summaryLine();
    const QString detail = makeView({ odd, online })->rowDetailLine(odd);
    QLocale::setDefault(before);
    EXPECT_TRUE(QRegularExpression(QStringLiteral(" \u00B7 starts [0-9][0-9]:[0-9][0-9]$")).match(summary).hasMatch())
        << summary.toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral(" \u00B7 [0-9][0-9]:[0-9][0-9] \u2013 [0-9][0-9]:[0-9][0-9]$"))
                    .match(detail)
                    .hasMatch())
        << detail.toStdString();
}

TEST_F(ReminderOverlayViewTest, ThePlayedEntranceEndsAtFullSizeAndReducedMotionAt98Percent)
{
    auto sizeOf = [](const ReminderOverlayView& view, const QString& id) {
        for (const PaintedElement& element : view.accessibleElements()) {
            if (element.id == id)
                return element.rect.size();
        }
        return QSizeF();
    };
    // The application sets Qt's effect flag from the desktop's own setting; animations are on by default.
    QApplication::setEffectEnabled(Qt::UI_General, true);
    ReminderOverlayView animated(
        { online }, [](const MeetingSnapshot&) {}, [](double) {}, [] {}, &focus, clock);
    QApplication::setEffectEnabled(Qt::UI_General, false);
    animated.resize(1440, 900);
    animated.show();
    waitForAnimations(animated);
    EXPECT_EQ(sizeOf(animated, "snooze-60").height(), 38);

    auto still = makeView({ online });
    still->setReduceMotion(true);
    still->show();
    EXPECT_NEAR(sizeOf(*still, "snooze-60").height(), 38 * 0.98, 1e-9) << "shown at once, at 98 %";
    EXPECT_NEAR(sizeOf(*still, "primary").width(), sizeOf(animated, "primary").width() * 0.98, 1e-9);
}

TEST_F(ReminderOverlayViewTest, AMeetingWithoutLinkOrPlaceOffersGotItOnly)
{
    auto view = makeView({ overlayMeeting("m3", "Lunch", clock.now(), 60) });
    view->show();
    EXPECT_TRUE(view->dismissIsPrimary());
    QStringList ids;
    for (const OverlayFocusModel::Item& item : focus.items())
        ids.append(item.id);
    EXPECT_EQ(ids, (QStringList { "snooze-60", "snooze-180", "snooze-300", "primary" }));
    EXPECT_EQ(focus.focusIndex(), 3);
    QStringList labels;
    for (const ReminderOverlayView::Button& button : view->buttons())
        labels.append(button.label.title);
    EXPECT_EQ(labels, (QStringList { "Snooze 1m", "Snooze 3m", "Snooze 5m", "Got it" }));
}

TEST_F(ReminderOverlayViewTest, OneChoicePerViewButCopyingAsOftenAsWanted)
{
    MeetingSnapshot office = overlayMeeting("m2", "Planning", clock.now(), 60, {}, "Room 4");
    auto view = makeView({ office });
    view->show();
    view->click("primary");
    view->click("primary");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Room 4");
    EXPECT_FALSE(view->isHandlingAction());
    view->click("snooze-180");
    view->click("snooze-180");
    view->click("dismiss");
    EXPECT_EQ(log, QStringList { "snooze 180" });
    EXPECT_TRUE(view->isHandlingAction());
}

TEST_F(ReminderOverlayViewTest, TheSecondViewKeepsTheFocusTheFirstConfigured)
{
    auto first = makeView({ online });
    first->show();
    focus.setFocusIndex(1);
    auto second = makeView({ online });
    second->show();
    EXPECT_EQ(focus.focusIndex(), 1);
    EXPECT_EQ(focus.items().size(), 5);
}

TEST_F(ReminderOverlayViewTest, FocusModelClampsAndIgnoresInvalidIndices)
{
    OverlayFocusModel model;
    int runs = 0;
    model.activate();
    model.moveNext();
    EXPECT_EQ(model.focusIndex(), 0);
    model.configure({ { "a", [&runs] { ++runs; } }, { "b", [&runs] { runs += 10; } } }, 7);
    EXPECT_EQ(model.focusIndex(), 1);
    model.configure({}, 0);
    EXPECT_EQ(model.items().size(), 2);
    model.activate();
    model.setFocusIndex(5);
    model.activate();
    EXPECT_FALSE(model.isFocused("b"));
    EXPECT_EQ(runs, 10);
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfAnOnlineMeeting)
{
    capture(*makeView({ online }), "reminder-online");
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfFocusOnEachKindOfElement)
{
    auto view = makeView({ online });
    capture(*view, "reminder-focus-primary");
    focusOn("snooze-180");
    waitForAnimations(200);
    testsupport::saveScreenshot(*view, "reminder-focus-snooze");
    focusOn("dismiss");
    waitForAnimations(200);
    testsupport::saveScreenshot(*view, "reminder-focus-dismiss");
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfAHybridMeeting)
{
    capture(*makeView({ overlayMeeting("m2", "Quarterly planning with the design team", clock.now(), 300,
                "https://meet.google.com/abc-defg-hij", "Room 4.12, Main building") }),
        "reminder-hybrid");
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfATask)
{
    MeetingSnapshot task = overlayMeeting("t1", "Send the invoice", clock.now(), 0);
    task.isTask = true;
    task.calendarTitle = "Errands";
    task.calendarSourceTitle = std::nullopt;
    capture(*makeView({ task }), "reminder-task");
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfThreeOverlappingMeetings)
{
    MeetingSnapshot office = overlayMeeting("m2", "Planning in the big room", clock.now(), 90, {}, "Room 4");
    office.calendarTitle = "Team";
    MeetingSnapshot plain = overlayMeeting("m3", "Focus time", clock.now(), 120);
    plain.calendarTitle = "Personal";
    auto view = makeView({ online, office, plain });
    capture(*view, "reminder-three-meetings");
    focusOn("copy-m2");
    waitForAnimations(200);
    testsupport::saveScreenshot(*view, "reminder-focus-row");
}

TEST_F(ReminderOverlayViewTest, ScreenshotOfALongTitle)
{
    capture(*makeView({ overlayMeeting("m4",
                "Cross-functional roadmap alignment and quarterly objectives review with engineering, design, "
                "marketing, sales and customer success leadership, followed by open questions and next steps "
                "for the coming release train",
                clock.now(), 45, "https://teams.microsoft.com/l/meetup-join/1") }),
        "reminder-long-title");
}

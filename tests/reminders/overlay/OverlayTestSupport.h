#pragma once

#include "platform/time/Date.h"
#include "platform/time/TestClock.h"
#include "tests/support/Patience.h"
#include "tests/support/Screenshot.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/reminders/OverlayFocusModel.h"
#include "tolvar/reminders/ReminderOverlayView.h"

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

// A meeting `startsIn` seconds after `now`, lasting 30 minutes.
inline tolvar::MeetingSnapshot overlayMeeting(const QString& id, const QString& title, platform::Date now,
    double startsIn, std::optional<QString> link = {}, std::optional<QString> place = {})
{
    tolvar::MeetingSnapshot meeting;
    meeting.id = id;
    meeting.title = title;
    meeting.startDate = now.addingSeconds(startsIn);
    meeting.endDate = meeting.startDate.addingSeconds(1800);
    meeting.calendarTitle = QStringLiteral("Work");
    meeting.calendarSourceTitle = QStringLiteral("Company");
    if (link)
        meeting.joinURL = QUrl(*link);
    meeting.location = place;
    return meeting;
}

// Lets Qt's own animations run for a while of real time.
inline void waitForAnimations(int milliseconds = 350)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Until every animation below `root` has ended, however slow the machine.
inline void waitForAnimations(const QObject& root)
{
    const auto running = [&root] {
        const QList<QAbstractAnimation*> animations = root.findChildren<QAbstractAnimation*>();
        return std::any_of(animations.begin(), animations.end(),
            [](const QAbstractAnimation* animation) { return animation->state() == QAbstractAnimation::Running; });
    };
    QElapsedTimer timer;
    timer.start();
    do
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    while (running() && timer.elapsed() < testsupport::patienceMs);
}

// A reminder view on a test clock and a focus model of its own, whose callbacks are logged.
class ReminderOverlayViewFixture : public ::testing::Test
{
protected:
    std::unique_ptr<tolvar::ReminderOverlayView> makeView(
        const QList<tolvar::MeetingSnapshot>& meetings, bool reduceMotion)
    {
        auto view = std::make_unique<tolvar::ReminderOverlayView>(
            meetings, [this](const tolvar::MeetingSnapshot& meeting) { log.append("join " + meeting.id); },
            [this](double seconds) { log.append(QStringLiteral("snooze %1").arg(seconds)); },
            [this] { log.append("dismiss"); }, &focus, clock);
        view->setReduceMotion(reduceMotion);
        view->resize(1440, 900);
        return view;
    }

    platform::TestClock clock;
    tolvar::OverlayFocusModel focus;
    QStringList log;
};

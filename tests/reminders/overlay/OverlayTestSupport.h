#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QWidget>

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

// Saves what the widget shows under the screenshot folder the test runner names.
inline void saveScreenshot(QWidget& widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("TOLVAR_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    widget.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

#pragma once

#include "tests/core/appmodel/AppModelHarness.h"
#include "tests/support/Screenshot.h"

#include <QAbstractButton>
#include <QWidget>

namespace settingstest {

// Lays the widget out at `width` and as tall as its content asks, then saves it.
inline void saveFullScreenshot(QWidget& widget, const QString& name, int width)
{
    widget.resize(width, 100);
    widget.adjustSize();
    widget.resize(width, widget.heightForWidth(width) > 0 ? widget.heightForWidth(width) : widget.sizeHint().height());
    testsupport::saveScreenshot(widget, name);
}

// A model over the doubles with access granted, two calendars and a task list listed, started.
class SettingsTest : public appmodeltest::AppModelTest
{
protected:
    tolvar::AppModel& grantedModel()
    {
        grantAccess();
        defaults.setBool(tolvar::SettingsKey::onboardingCompleted, true);
        tolvar::AppModel& app = started();
        appmodeltest::settle();
        return app;
    }

    static tolvar::CalendarSource source(const platform::StoreCalendar& calendar)
    {
        return { calendar.identifier, calendar.title, calendar.sourceTitle };
    }
};

} // namespace settingstest

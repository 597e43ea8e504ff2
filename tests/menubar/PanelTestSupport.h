#pragma once

#include "../core/appmodel/AppModelHarness.h"
#include "tests/support/Screenshot.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/MenuBarContentView.h"
#include "tolvar/menubar/MenuBarInteractionModel.h"

#include <QWidget>

namespace paneltest {

using appmodeltest::berlin;

// A meeting of `minutes` from `start`, with a link, a place, or neither.
inline tolvar::MeetingSnapshot panelMeeting(const QString& title, platform::Date start, int minutes = 30,
    std::optional<QString> link = QStringLiteral("https://zoom.us/j/1"), std::optional<QString> place = {})
{
    tolvar::MeetingSnapshot meeting
        = appmodeltest::meeting(title, start, start.addingSeconds(minutes * 60.0), std::move(link));
    meeting.location = std::move(place);
    return meeting;
}

// `count` meetings of 20 minutes today, one every 20 minutes from 10:30: far taller than a screen.
inline QList<tolvar::MeetingSnapshot> longDay(int count)
{
    QList<tolvar::MeetingSnapshot> meetings;
    for (int n = 0; n < count; ++n)
        meetings.append(panelMeeting(QStringLiteral("Meeting %1").arg(n + 1),
            berlin(2026, 3, 5, 10, 30).addingSeconds(n * 20 * 60.0), 20,
            QStringLiteral("https://meet.example.com/%1").arg(n + 1)));
    return meetings;
}

// The card or row that shows the meeting `id`, wherever the panel lists it.
inline QWidget* itemOf(const tolvar::MenuBarContentView& view, const QString& id)
{
    for (const tolvar::MeetingSection* section :
        { view.nowSection(), view.nextSection(), view.upcomingSection(), view.dayListSection() }) {
        if (const qsizetype index = section->ids().indexOf(id); index >= 0 && section->isVisibleTo(&view))
            return section->items().at(index);
    }
    return nullptr;
}

// An application model over test doubles on a Berlin clock set to Thursday 5 March 2026, 10:15.
class PanelTest : public ::testing::Test, protected appmodeltest::ModelRig
{
protected:
    void SetUp() override
    {
        appmodeltest::useBerlinTime();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        clock.setNow(berlin(2026, 3, 5, 10, 15));
        layout.useUsLayout();
        // The model's timers reach the shortcut library when a test advances the clock.
        ShortcutKit::start({ defaults, hotKeys, layout, systemShortcuts });
        model = machine.makeModel();
        // The model's first turn of work comes before the test's meetings.
        settle();
    }

    void TearDown() override
    {
        model.reset();
        ShortcutKit::shutDown();
    }

    tolvar::AppModel& app() { return *model; }

    // Lets the posted work (deferred deletes, queued calls) run.
    static void settle() { appmodeltest::settle(); }
};

// The panel's content over that model, shown as a window of its own.
class PanelViewTest : public PanelTest
{
protected:
    void TearDown() override
    {
        view.reset();
        PanelTest::TearDown();
    }

    // The panel on today with `meetings`.
    tolvar::MenuBarContentView& open(const QList<tolvar::MeetingSnapshot>& meetings)
    {
        app().setMeetings(meetings);
        view = std::make_unique<tolvar::MenuBarContentView>(app());
        view->show();
        settle();
        return *view;
    }

    std::unique_ptr<tolvar::MenuBarContentView> view;
};

} // namespace paneltest

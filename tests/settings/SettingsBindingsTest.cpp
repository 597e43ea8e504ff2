// Every control of the settings writes through the model and then shows what the model holds.
#include "ShortcutKit/RecorderCocoa.h"
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/model/MeetingIdentity.h"
#include "tolvar/settings/AlertsSection.h"
#include "tolvar/settings/CalendarsSection.h"
#include "tolvar/settings/GeneralSection.h"
#include "tolvar/settings/HourPicker.h"
#include "tolvar/settings/RemindersSection.h"
#include "tolvar/settings/RuleEditor.h"
#include "tolvar/settings/SegmentedPicker.h"
#include "tolvar/settings/SettingsTexts.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SourceToggleList.h"
#include "tolvar/style/CalendarColor.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <ctime>

using namespace settingstest;
using tolvar::AppModel;

namespace {

using SettingsBindingsTest = SettingsTest;

QString calendarKey(const platform::StoreCalendar& calendar)
{
    return *tolvar::makeCalendarKey(calendar.sourceTitle, calendar.title);
}

TEST_F(SettingsBindingsTest, theLoginToggleShowsWhatTheLoginItemReports)
{
    AppModel& app = grantedModel();
    tolvar::GeneralSection general(app);
    machine.loginItem.setFailure("refused by the desktop");
    general.launchAtLoginToggle()->click();
    EXPECT_FALSE(general.launchAtLoginToggle()->isChecked()) << "a refused registration leaves the toggle off";
    EXPECT_EQ(machine.loginItem.registerCount(), 1);
    EXPECT_TRUE(machine.systemLog.lines().last().startsWith("SMAppService register failed: "));

    machine.loginItem.setFailure(QString());
    general.launchAtLoginToggle()->click();
    EXPECT_TRUE(general.launchAtLoginToggle()->isChecked());
    EXPECT_TRUE(app.launchAtLogin());
    general.launchAtLoginToggle()->click();
    EXPECT_FALSE(general.launchAtLoginToggle()->isChecked());
    EXPECT_EQ(machine.loginItem.unregisterCount(), 1);
}

TEST_F(SettingsBindingsTest, theStepperStaysWithinOneToThirtyDays)
{
    AppModel& app = grantedModel();
    tolvar::GeneralSection general(app);
    EXPECT_EQ(general.forwardDaysLabel(), "Fetch up to 7 days ahead");
    general.forwardDaysStepper()->setValue(1);
    EXPECT_EQ(app.forwardDays(), 1);
    EXPECT_EQ(defaults.integerForKey("forwardDays"), 1);
    general.forwardDaysStepper()->stepBy(-1);
    EXPECT_EQ(app.forwardDays(), 1);
    EXPECT_EQ(general.forwardDaysLabel(), "Fetch up to 1 days ahead");

    general.forwardDaysStepper()->setValue(30);
    general.forwardDaysStepper()->stepBy(1);
    EXPECT_EQ(app.forwardDays(), 30);
    EXPECT_EQ(general.forwardDaysStepper()->value(), 30);
    EXPECT_EQ(general.forwardDaysLabel(), "Fetch up to 30 days ahead");

    // A value set elsewhere shows at once.
    app.setForwardDays(12);
    EXPECT_EQ(general.forwardDaysStepper()->value(), 12);
}

TEST_F(SettingsBindingsTest, theRecorderFollowsTheShortcutSwitch)
{
    AppModel& app = grantedModel();
    tolvar::GeneralSection general(app);
    auto* recorder = qobject_cast<ShortcutKit::RecorderCocoa*>(general.recorder());
    ASSERT_TRUE(recorder);
    EXPECT_EQ(recorder->shortcutName().rawValue(), ShortcutKit::Name::toggleQuickPanel().rawValue());
    const std::optional<ShortcutKit::Shortcut> stored = recorder->shortcut();
    ASSERT_TRUE(stored);
    EXPECT_TRUE(general.recorder()->isEnabled());
    EXPECT_EQ(general.recorderOpacity(), 1.0);
    EXPECT_TRUE(isGrabbed());

    general.shortcutToggle()->click();
    EXPECT_FALSE(app.quickPanelShortcutEnabled());
    EXPECT_FALSE(defaults.boolForKey("quickPanelShortcutEnabled"));
    EXPECT_FALSE(general.recorder()->isEnabled());
    EXPECT_EQ(general.recorderOpacity(), 0.5);
    EXPECT_FALSE(isGrabbed());
    EXPECT_EQ(recorder->shortcut(), stored) << "switching off keeps the combination";

    general.shortcutToggle()->click();
    EXPECT_TRUE(general.recorder()->isEnabled());
    EXPECT_TRUE(isGrabbed()) << "the same combination comes back";
}

TEST_F(SettingsBindingsTest, calendarTogglesAndRulesWriteThroughTheModel)
{
    AppModel& app = grantedModel();
    tolvar::CalendarsSection calendars(app);
    EXPECT_EQ(calendars.accessMessage()->text(), "Calendar access is enabled.");
    EXPECT_FALSE(calendars.isNoCalendarsTextShown());
    EXPECT_TRUE(calendars.ruleEditor()->isEmptyTextShown());

    calendars.calendarList()->toggle("work")->click();
    EXPECT_EQ(app.selectedCalendarIDs(), QSet<QString>({ "work" }));
    EXPECT_EQ(defaults.stringArrayForKey("selectedCalendarIDs"), QStringList({ "work" }));
    appmodeltest::settle();
    ASSERT_EQ(calendars.ruleEditor()->rows().size(), 1);
    tolvar::RuleRow* row = calendars.ruleEditor()->rows()[0];
    EXPECT_FALSE(calendars.ruleEditor()->isEmptyTextShown());

    // Shown as the default rule, and nothing stored merely by showing it.
    EXPECT_EQ(row->eventsPicker()->value(), int(tolvar::EventScope::meetingsOnly));
    EXPECT_TRUE(row->showOverlayToggle()->isChecked());
    EXPECT_TRUE(row->playSoundToggle()->isChecked());
    EXPECT_EQ(row->soundRepeatPicker()->value(), 0);
    EXPECT_TRUE(app.calendarRules().isEmpty());

    row->showOverlayToggle()->click();
    const QString key = calendarKey(work);
    ASSERT_TRUE(app.calendarRules().contains(key));
    const tolvar::CalendarRule stored = app.calendarRules()[key];
    EXPECT_FALSE(stored.showOverlay);
    EXPECT_TRUE(stored.playSound);
    EXPECT_EQ(stored.soundRepeat, 0);
    EXPECT_EQ(stored.eventScope, tolvar::EventScope::meetingsOnly);
    EXPECT_TRUE(app.settingsStore().loadCalendarRules().contains(key));
    EXPECT_FALSE(row->isPlaySoundShown());
    EXPECT_FALSE(row->isSoundRepeatShown());

    row->showOverlayToggle()->click();
    row->soundRepeatPicker()->choose(3);
    row->eventsPicker()->choose(int(tolvar::EventScope::meetingsAndEvents));
    EXPECT_EQ(app.calendarRules()[key].soundRepeat, 3);
    EXPECT_EQ(app.calendarRules()[key].eventScope, tolvar::EventScope::meetingsAndEvents);
    EXPECT_EQ(row->soundRepeatPicker()->value(), 3);
    EXPECT_EQ(app.calendarRules().size(), 1);

    // A count from elsewhere that no segment offers selects none.
    QMap<QString, tolvar::CalendarRule> rules = app.calendarRules();
    rules[key].soundRepeat = 2;
    app.setCalendarRules(rules);
    EXPECT_FALSE(row->soundRepeatPicker()->value().isValid());

    calendars.calendarList()->toggle("work")->click();
    appmodeltest::settle();
    EXPECT_TRUE(calendars.ruleEditor()->rows().isEmpty());
    EXPECT_TRUE(app.calendarRules().contains(key)) << "the rule outlives the selection";
}

TEST_F(SettingsBindingsTest, reminderListRulesLiveUnderTheirOwnKeys)
{
    AppModel& app = grantedModel();
    tolvar::RemindersSection reminders(app);
    EXPECT_EQ(reminders.accessMessage()->text(), "Reminders access is enabled.");
    reminders.reminderListList()->toggle("tasks")->click();
    EXPECT_EQ(defaults.stringArrayForKey("selectedReminderListIDs"), QStringList({ "tasks" }));
    appmodeltest::settle();
    ASSERT_EQ(reminders.ruleEditor()->rows().size(), 1);
    tolvar::RuleRow* row = reminders.ruleEditor()->rows()[0];
    EXPECT_FALSE(row->eventsPicker()) << "a list has no event scope";

    row->playSoundToggle()->click();
    const QString key = QStringLiteral("reminder") + QChar(0x1f) + calendarKey(tasks);
    ASSERT_EQ(app.calendarRules().keys(), QStringList({ key }));
    EXPECT_FALSE(app.calendarRules()[key].playSound);
    EXPECT_TRUE(app.calendarRules()[key].showOverlay);
    EXPECT_FALSE(row->isSoundRepeatShown());
    // The calendar with the same titles keeps its own default.
    EXPECT_TRUE(app.calendarRule(source(tasks)).playSound);

    row->playSoundToggle()->click();
    row->soundRepeatPicker()->choose(5);
    EXPECT_EQ(app.calendarRules()[key].soundRepeat, 5);
    EXPECT_TRUE(app.settingsStore().loadCalendarRules().contains(key));
}

TEST_F(SettingsBindingsTest, theDefaultTimeOffersEveryHourOfTheDay)
{
    AppModel& app = grantedModel();
    tolvar::RemindersSection reminders(app);
    tolvar::HourPicker* picker = reminders.defaultTimePicker();
    ASSERT_EQ(picker->count(), 24);
    EXPECT_EQ(picker->itemText(0), "12:00 AM");
    EXPECT_EQ(picker->itemText(13), "1:00 PM");
    EXPECT_EQ(picker->hour(), 9);
    picker->setCurrentIndex(7);
    Q_EMIT picker->activated(7);
    EXPECT_EQ(app.reminderDefaultHour(), 7);
    EXPECT_EQ(defaults.integerForKey("reminderDefaultHour"), 7);
    app.setReminderDefaultHour(30);
    EXPECT_EQ(picker->hour(), -1) << "an hour outside the day selects no row";
}

TEST_F(SettingsBindingsTest, theHourLabelIsTheHourItselfOnAnyDay)
{
    // Today, in this zone, clocks jump from 02:00 to 03:00: a label made from 2 o'clock on today's date
    // would lose its hour. The zone is UTC, or an hour west of it in UTC's last hour, so that the jump
    // cannot move today to another day (and, on 1 January, the jump is not in the UTC year before, which
    // the C library would not see). The rule names the day by its number in the year, counted from 0.
    const QDateTime utc = QDateTime::currentDateTimeUtc();
    const int hoursWest = utc.time().hour() == 23 ? 1 : 0;
    const int today = utc.addSecs(-hoursWest * 3600).date().dayOfYear() - 1;
    const int autumn = (today + 180) % 365;
    qputenv("TZ", QStringLiteral("XST%1XDT,%2/2,%3/3").arg(hoursWest).arg(today).arg(autumn).toLatin1());
    tzset();
    const QDateTime inTheGap(QDate::currentDate(), QTime(2, 30));
    EXPECT_FALSE(inTheGap.isValid() && inTheGap.time() == QTime(2, 30)) << "the zone skips no hour today";
    QStringList labels;
    for (int hour = 0; hour < 24; ++hour)
        labels << tolvar::settingsTexts::hourLabel(hour);
    appmodeltest::useBerlinTime();
    EXPECT_EQ(labels.mid(0, 4), QStringList({ "12:00 AM", "1:00 AM", "2:00 AM", "3:00 AM" }));
    EXPECT_EQ(labels.mid(12, 2), QStringList({ "12:00 PM", "1:00 PM" }));
    EXPECT_EQ(labels.last(), "11:00 PM");

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(tolvar::settingsTexts::hourLabel(9), "09:00");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(tolvar::settingsTexts::hourLabel(9), "09:00") << "no seconds where the short form has them";
}

TEST_F(SettingsBindingsTest, alertsControlsStoreEachSettingUnderItsName)
{
    AppModel& app = grantedModel();
    tolvar::SettingsView view(app, {});
    tolvar::AlertsSection alerts(app, view);
    EXPECT_EQ(alerts.remindBeforePicker()->texts(),
        QStringList({ "10 seconds", "30 seconds", "1 minute", "2 minutes", "3 minutes", "5 minutes" }));
    alerts.remindBeforePicker()->choose(120.0);
    EXPECT_EQ(app.reminderLeadSeconds(), 120);
    EXPECT_EQ(defaults.doubleForKey("reminderLeadSeconds"), 120);
    alerts.autoDismissPicker()->choose(60.0);
    EXPECT_EQ(defaults.doubleForKey("overlayAutoDismissSeconds"), 60);
    EXPECT_EQ(alerts.autoDismissPicker()->value(), 60.0);

    const QList<std::pair<QCheckBox*, const char*>> toggles = {
        { alerts.joinLinkToggle(), "onlyRemindMeetingsWithJoinLink" },
        { alerts.menuBarJoinToggle(), "dismissOnMenuBarJoin" },
        { alerts.actionItemToggle(), "showActionItemAlertAfterMeeting" },
        { alerts.screenShareToggle(), "hideOverlayDuringScreenShare" },
    };
    for (const auto& [toggle, key] : toggles) {
        const bool before = toggle->isChecked();
        toggle->click();
        EXPECT_EQ(defaults.boolForKey(key), !before) << key;
        EXPECT_EQ(toggle->isChecked(), !before) << key;
    }

    EXPECT_FALSE(alerts.quietHoursPickers()->isEnabled());
    EXPECT_EQ(alerts.quietHoursStartPicker()->hour(), 22);
    EXPECT_EQ(alerts.quietHoursEndPicker()->hour(), 7);
    alerts.quietHoursToggle()->click();
    EXPECT_TRUE(app.quietHoursEnabled());
    EXPECT_TRUE(alerts.quietHoursPickers()->isEnabled());
    Q_EMIT alerts.quietHoursStartPicker()->activated(20);
    EXPECT_EQ(defaults.integerForKey("quietHoursStartHour"), 20);
    EXPECT_EQ(alerts.quietHoursStartPicker()->hour(), 20);
}

} // namespace

namespace {

TEST(CalendarAccentColor, oneTitleOneColourOfTheFixedSaturationAndBrightness)
{
    for (const QString& title :
        { QString(), QStringLiteral("Team"), QStringLiteral("Ünïcödé ✓"), QString(5000, u'x') }) {
        const QColor colour = tolvar::calendarAccentColor(title);
        EXPECT_EQ(colour, tolvar::calendarAccentColor(title)) << "the same title, the same colour";
        EXPECT_GE(colour.hsvHueF(), 0.0);
        EXPECT_LT(colour.hsvHueF(), 1.0);
        EXPECT_NEAR(colour.hsvSaturationF(), 0.55, 0.01);
        EXPECT_NEAR(colour.valueF(), 0.85, 0.01);
        EXPECT_EQ(colour.alphaF(), 1.0);
    }
    EXPECT_EQ(tolvar::calendarAccentColor(std::nullopt), tolvar::calendarAccentColor(QStringLiteral("Meeting")))
        << "a meeting without a calendar takes the colour of \"Meeting\"";

    // The hue comes from the title: twenty calendars do not share a handful of colours.
    QSet<int> hues;
    for (int i = 0; i < 20; ++i)
        hues.insert(tolvar::calendarAccentColor(QStringLiteral("Calendar %1").arg(i)).hsvHue());
    EXPECT_GE(hues.size(), 10);
}

} // namespace

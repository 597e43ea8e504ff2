#include "tolvar/model/SettingsStore.h"
#include "platform/defaults/MemoryUserDefaults.h"

#include <gtest/gtest.h>

using namespace tolvar;
using platform::Date;

namespace {

struct SettingsStoreTest : ::testing::Test
{
    platform::MemoryUserDefaults defaults;
    SettingsStore store { defaults };
};

CalendarRule rule(const QString& key, double updatedAt = 1)
{
    return { key, EventScope::meetingsAndEvents, false, true, 2, Date(updatedAt) };
}

} // namespace

TEST_F(SettingsStoreTest, FreshInstallationReadsTheDefaults)
{
    EXPECT_TRUE(store.identifierSet(SettingsKey::selectedCalendarIDs).isEmpty());
    EXPECT_EQ(store.forwardDays(), 7);
    EXPECT_EQ(store.reminderDefaultHour(), 9);
    EXPECT_EQ(store.quietHoursStartHour(), 22);
    EXPECT_EQ(store.quietHoursEndHour(), 7);
    EXPECT_EQ(store.reminderLeadSeconds(), 10.0);
    EXPECT_EQ(store.overlayAutoDismissSeconds(), 180.0);
    EXPECT_TRUE(store.dismissOnMenuBarJoin());
    EXPECT_TRUE(store.quickPanelShortcutEnabled());
    EXPECT_TRUE(store.loadCalendarRules().isEmpty());
    EXPECT_TRUE(store.loadPendingActionItemMeetings().isEmpty());
    // Reading the defaults stores nothing.
    EXPECT_TRUE(defaults.keys().isEmpty());
}

TEST_F(SettingsStoreTest, ForwardDaysReadAndWriteRules)
{
    defaults.setInteger(SettingsKey::forwardDays, 0);
    EXPECT_EQ(store.forwardDays(), 1);
    defaults.setInteger(SettingsKey::forwardDays, 45);
    EXPECT_EQ(store.forwardDays(), 30);
    defaults.setString(SettingsKey::forwardDays, "12");
    EXPECT_EQ(store.forwardDays(), 7);
    defaults.setDouble(SettingsKey::forwardDays, 12.0);
    EXPECT_EQ(store.forwardDays(), 12);
    defaults.setDouble(SettingsKey::forwardDays, 12.5);
    EXPECT_EQ(store.forwardDays(), 7);
    defaults.setInteger(SettingsKey::forwardDays, std::numeric_limits<qint64>::min());
    EXPECT_EQ(store.forwardDays(), 1);

    store.setForwardDays(45);
    EXPECT_EQ(defaults.value(SettingsKey::forwardDays), platform::UserDefaults::Value(qint64(30)));
}

TEST_F(SettingsStoreTest, HoursAreNotClampedButMustBeIntegers)
{
    defaults.setInteger(SettingsKey::reminderDefaultHour, 30);
    EXPECT_EQ(store.reminderDefaultHour(), 30);
    defaults.setString(SettingsKey::quietHoursStartHour, "23");
    EXPECT_EQ(store.quietHoursStartHour(), 22);
    defaults.setBool(SettingsKey::quietHoursEndHour, true);
    EXPECT_EQ(store.quietHoursEndHour(), 7);
}

TEST_F(SettingsStoreTest, SecondsMustBePositive)
{
    defaults.setDouble(SettingsKey::reminderLeadSeconds, 0);
    EXPECT_EQ(store.reminderLeadSeconds(), 10.0);
    defaults.setInteger(SettingsKey::reminderLeadSeconds, -5);
    EXPECT_EQ(store.reminderLeadSeconds(), 10.0);
    defaults.setDouble(SettingsKey::reminderLeadSeconds, 0.5);
    EXPECT_EQ(store.reminderLeadSeconds(), 0.5);
    defaults.setInteger(SettingsKey::overlayAutoDismissSeconds, 60);
    EXPECT_EQ(store.overlayAutoDismissSeconds(), 60.0);
    defaults.setDouble(SettingsKey::overlayAutoDismissSeconds, std::numeric_limits<double>::infinity());
    EXPECT_EQ(store.overlayAutoDismissSeconds(), 180.0);
}

TEST_F(SettingsStoreTest, TrueByDefaultBooleansHonourAStoredFalse)
{
    defaults.setBool(SettingsKey::dismissOnMenuBarJoin, false);
    EXPECT_FALSE(store.dismissOnMenuBarJoin());
    defaults.remove(SettingsKey::dismissOnMenuBarJoin);
    EXPECT_TRUE(store.dismissOnMenuBarJoin());
    defaults.setInteger(SettingsKey::quickPanelShortcutEnabled, 0);
    EXPECT_FALSE(store.quickPanelShortcutEnabled());
}

TEST_F(SettingsStoreTest, IdentifierSetsAreStoredSorted)
{
    store.setIdentifierSet(SettingsKey::selectedCalendarIDs, { "z", "a", "m" });
    EXPECT_EQ(defaults.stringArrayForKey(SettingsKey::selectedCalendarIDs), QStringList({ "a", "m", "z" }));
    EXPECT_EQ(store.identifierSet(SettingsKey::selectedCalendarIDs), QSet<QString>({ "a", "m", "z" }));
    defaults.setString(SettingsKey::selectedReminderListIDs, "a");
    EXPECT_TRUE(store.identifierSet(SettingsKey::selectedReminderListIDs).isEmpty());
}

TEST_F(SettingsStoreTest, DeviceIDIsMadeOnceAndKept)
{
    const QString first = store.deviceID();
    EXPECT_EQ(first.size(), 36);
    EXPECT_EQ(first, first.toUpper());
    EXPECT_EQ(defaults.stringForKey(SettingsKey::deviceID), first);
    EXPECT_EQ(store.deviceID(), first);
    EXPECT_EQ(SettingsStore(defaults).deviceID(), first);
}

TEST_F(SettingsStoreTest, CalendarRulesRoundTripSortedByKey)
{
    store.saveCalendarRules({ { "b", rule("b") }, { "a", rule("a") }, { "c", rule("c") } });
    const QByteArray data = *defaults.dataForKey(SettingsKey::calendarRules);
    EXPECT_LT(data.indexOf("\"a\""), data.indexOf("\"b\""));
    EXPECT_LT(data.indexOf("\"b\""), data.indexOf("\"c\""));
    const QMap<QString, CalendarRule> loaded = store.loadCalendarRules();
    EXPECT_EQ(loaded.keys(), QStringList({ "a", "b", "c" }));
    EXPECT_EQ(loaded["b"], rule("b"));
}

TEST_F(SettingsStoreTest, OneBadStoredRuleIsDroppedAlone)
{
    defaults.setData(SettingsKey::calendarRules,
        R"([{"calendarKey":"a","eventScope":1,"showOverlay":false,"playSound":true,"soundRepeat":2,"updatedAt":1},
            {"calendarKey":"bad","eventScope":2,"showOverlay":true,"playSound":true,"soundRepeat":0,"updatedAt":1}])");
    const QMap<QString, CalendarRule> loaded = store.loadCalendarRules();
    ASSERT_EQ(loaded.keys(), QStringList({ "a" }));
    // Saving again keeps the good rule.
    store.saveCalendarRules(loaded);
    EXPECT_EQ(store.loadCalendarRules().keys(), QStringList({ "a" }));

    defaults.setData(SettingsKey::calendarRules, "{not json");
    EXPECT_TRUE(store.loadCalendarRules().isEmpty());
    defaults.setString(SettingsKey::calendarRules, "[]");
    EXPECT_TRUE(store.loadCalendarRules().isEmpty());
}

TEST_F(SettingsStoreTest, PendingActionItemsKeepTheirOrderAndSurviveCorruption)
{
    const QList<PendingActionItemMeeting> pending { { "2", "Second", Date(20) }, { "1", "First", Date(10) } };
    store.savePendingActionItemMeetings(pending);
    EXPECT_EQ(store.loadPendingActionItemMeetings(), pending);

    defaults.setData(SettingsKey::pendingActionItemMeetings, QByteArray("\xff\xfe garbage", 10));
    EXPECT_TRUE(store.loadPendingActionItemMeetings().isEmpty());
    defaults.setData(SettingsKey::pendingActionItemMeetings,
        R"([{"id":"1","title":"First","endDate":10},{"id":"2","title":"No end"}])");
    EXPECT_EQ(store.loadPendingActionItemMeetings(), QList<PendingActionItemMeeting>({ pending[1] }));
}

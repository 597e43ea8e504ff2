#include "tolvar/model/RecordJson.h"
#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/PendingActionItemMeeting.h"
#include "tolvar/model/ReminderState.h"

#include <gtest/gtest.h>

using platform::Date;
using namespace tolvar;

TEST(RecordJson, RoundTripsArraysInOrder)
{
    const QList<PendingActionItemMeeting> meetings { { "b", "Second", Date(2) }, { "a", "First", Date(1.5) } };
    EXPECT_EQ(decodeRecordArray<PendingActionItemMeeting>(encodeRecordArray(meetings)), meetings);
    EXPECT_EQ(encodeRecordArray(QList<ReminderState>()), "[]");
    // Written record by record, it is still what the whole array's dump gives.
    EXPECT_EQ(encodeRecordArray(meetings),
        serializeJson(nlohmann::json::array({ meetings[0].toJson(), meetings[1].toJson() })));
    EXPECT_EQ(decodeRecordArray<ReminderState>("[]"), QList<ReminderState>());
}

TEST(RecordJson, DropsBadElementsAlone)
{
    const QByteArray data = R"([
        {"calendarKey": "a", "eventScope": 0, "showOverlay": true, "playSound": true, "soundRepeat": 0, "updatedAt": 1},
        {"calendarKey": "b", "eventScope": 2, "showOverlay": true, "playSound": true, "soundRepeat": 0, "updatedAt": 1},
        "not a rule", null, 5, [],
        {"calendarKey": "c", "eventScope": 1, "showOverlay": false, "playSound": false, "soundRepeat": 2, "updatedAt": 1e300},
        {"calendarKey": "d", "eventScope": 1, "showOverlay": false, "playSound": false, "soundRepeat": 2, "updatedAt": 3}
    ])";
    QString error;
    const std::optional<QList<CalendarRule>> rules = decodeRecordArray<CalendarRule>(data, &error);
    ASSERT_TRUE(rules) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(rules->size(), 2);
    EXPECT_EQ(rules->at(0).calendarKey, "a");
    EXPECT_EQ(rules->at(1).calendarKey, "d");
    EXPECT_EQ(rules->at(1).eventScope, EventScope::meetingsAndEvents);
}

TEST(RecordJson, FailsOnlyWhenTheDataIsNotAnArray)
{
    for (const QByteArray& data :
        { QByteArray(), QByteArray("[{"), QByteArray("\xff\xfe"), QByteArray("[\"\xc3\"]") }) {
        QString error;
        EXPECT_FALSE(decodeRecordArray<MeetingSnapshot>(data, &error)) << data.toStdString();
        EXPECT_EQ(error, "The stored data is not valid JSON.");
    }
    for (const QByteArray& data : { QByteArray("{}"), QByteArray("null"), QByteArray("\"[]\"") }) {
        QString error;
        EXPECT_FALSE(decodeRecordArray<ReminderState>(data, &error)) << data.toStdString();
        EXPECT_EQ(error, "The stored data is not a list.");
    }
}

TEST(RecordJson, GivesUpAtTheNextRecordOnceStopped)
{
    QList<PendingActionItemMeeting> meetings;
    for (int i = 0; i < 1000; ++i)
        meetings.append({ QString::number(i), "Meeting", Date(i) });
    const QByteArray data = encodeRecordArray(meetings);
    int asked = 0;
    QString error;
    EXPECT_FALSE(decodeRecordArray<PendingActionItemMeeting>(data, &error, [&] { return ++asked > 10; }));
    EXPECT_TRUE(error.isEmpty()) << "a stop is no damage";
    EXPECT_LT(asked, 20);
    EXPECT_EQ(decodeRecordArray<PendingActionItemMeeting>(data, nullptr, [] { return false; }), meetings);

    asked = 0;
    EXPECT_FALSE(encodeRecordArrayUnlessStopped(meetings, [&] { return ++asked > 10; }));
    EXPECT_LT(asked, 20);
    EXPECT_EQ(encodeRecordArrayUnlessStopped(meetings, [] { return false; }), data);
}

TEST(RecordJson, KeepsTextsIntactAcrossScripts)
{
    MeetingSnapshot snapshot;
    snapshot.id = "x";
    snapshot.title = QString::fromUtf8("Réunion \U0001F4C5 会议 \"quoted\" \\ \n");
    snapshot.startDate = Date(1);
    snapshot.endDate = Date(2);
    const auto decoded = decodeRecordArray<MeetingSnapshot>(encodeRecordArray(QList { snapshot }));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, QList { snapshot });
}

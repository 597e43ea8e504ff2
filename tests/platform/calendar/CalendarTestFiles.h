#pragma once

#include "platform/calendar/ICalendarStore.h"

#include <QCoro/QCoroTask>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimeZone>
#include <gtest/gtest.h>

// An ordinary event on 1 April 2026, for the tests of bad files to find beside them.
inline const QString goodEvent = QStringLiteral("BEGIN:VEVENT\nUID:good\nSUMMARY:Good\nDTSTART:20260401T100000Z\n"
                                                "DTEND:20260401T110000Z\nEND:VEVENT\n");

// A calendar of plain events of March 2026, of about `bytes` bytes: slow to read, and nothing else.
inline QByteArray largeCalendar(qsizetype bytes)
{
    QByteArray text = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//tests//EN\r\n";
    text.reserve(bytes + 200);
    for (int i = 0; text.size() < bytes; ++i) {
        text += "BEGIN:VEVENT\r\nUID:filler-" + QByteArray::number(i) + "\r\nSUMMARY:Filler " + QByteArray::number(i)
            + "\r\nDTSTART:20260301T" + QByteArray::number(100000 + i % 8 * 10000)
            + "Z\r\nDURATION:PT30M\r\nDESCRIPTION:Room for the notes of a meeting that fill a line\r\nEND:VEVENT\r\n";
    }
    return text + "END:VCALENDAR\r\n";
}

// The titles of `events`, sorted.
inline QStringList titlesOf(const QList<platform::StoreEvent>& events)
{
    QStringList titles;
    for (const platform::StoreEvent& event : events)
        titles.append(event.title.value_or(QString()));
    titles.sort();
    return titles;
}

// The store's tests read a calendar tree they write themselves under the temporary XDG data folder, in
// Berlin's time zone so that recurrences cross a daylight-saving change.
class CalendarFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root = platform::ICalendarStore::defaultRoot();
        QDir(root).removeRecursively();
        QDir().mkpath(root);
        // The store lists nothing without access; the tests of access itself take it away again.
        QFile::remove(platform::CalendarAccessFile::defaultPath());
        platform::CalendarAccessFile access(platform::CalendarAccessFile::defaultPath());
        access.grant(platform::EntityType::event);
        access.grant(platform::EntityType::reminder);
    }

    void TearDown() override { QDir(root).removeRecursively(); }

    // Writes an item with CRLF line ends, wrapping bare components in a VCALENDAR.
    void write(const QString& relativePath, const QString& lines)
    {
        QString text = lines;
        if (!text.startsWith(QLatin1String("BEGIN:VCALENDAR")) && relativePath.endsWith(QLatin1String(".ics")))
            text = QStringLiteral("BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//tests//EN\n") + text
                + QStringLiteral("END:VCALENDAR\n");
        writeBytes(relativePath, text.replace(QLatin1String("\n"), QLatin1String("\r\n")).toUtf8());
    }

    void writeBytes(const QString& relativePath, const QByteArray& bytes)
    {
        const QString path = root + QLatin1Char('/') + relativePath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }

    static platform::Date berlin(int year, int month, int day, int hour = 0, int minute = 0)
    {
        return platform::Date::fromDateTime(
            QDateTime(QDate(year, month, day), QTime(hour, minute), QTimeZone("Europe/Berlin")));
    }

    // The store answers from its last complete read while it reads a change: waits, running the event loop,
    // until `holds` comes true, for at most ten seconds.
    template <typename Check> static bool eventually(const Check& holds)
    {
        QElapsedTimer timer;
        timer.start();
        while (!holds()) {
            if (timer.elapsed() > 10000)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

    // The store's first answer does not wait long for a first read, and may hold the files read so far: waits,
    // running the event loop, until a large folder has been read in full.
    static void waitForFirstRead(platform::ICalendarStore& store)
    {
        while (!store.isFirstReadComplete())
            QTest::qWait(20);
    }

    static platform::StoreCalendar calendar(const QString& identifier) { return { identifier, {}, {} }; }

    QString root;
};

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
#include <mutex>

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

// A calendar file whose parse costs more than a MemoryHold leaves, holding one event titled `title`.
inline QByteArray heldCalendar(const QString& title)
{
    return "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:" + title.toUtf8() + "\r\nSUMMARY:" + title.toUtf8()
        + "\r\nDTSTART:20260401T140000Z\r\nDESCRIPTION:" + QByteArray(20000, 'x')
        + "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
}

// Holds all but a little of the memory of a store's reads while told to, so that small files are parsed and a
// larger one (heldCalendar) waits for its memory until the test lets go: a read held at a point of the test's
// choosing, however fast the machine.
class MemoryHold
{
public:
    static constexpr qint64 budget = qint64(1) << 30;
    static constexpr qint64 left = 64 * 1024;

    platform::CalendarMemory memory() const
    {
        return { [] { return std::optional(budget); } };
    }

    platform::ICalendarStore::Reader reader()
    {
        return
            [this](const QString& root, const platform::CalendarIndex::Contents& last, platform::TimeZoneCache& zones,
                QThreadPool& pool, platform::MemoryGate& memory, const platform::CalendarFolder::Entering& entering,
                const platform::CalendarIndex::Published& published, const std::atomic<bool>* abandoned) {
                {
                    const std::lock_guard lock(m_mutex);
                    if (m_holding) {
                        EXPECT_EQ(memory.reserve(budget - left, nullptr), platform::MemoryGate::Answer::reserved);
                        m_gate = &memory;
                        ++m_held;
                    }
                }
                return platform::CalendarIndex::read(root, last, zones, pool, memory, entering, published, abandoned);
            };
    }

    // Reads from now on start holding.
    void hold()
    {
        const std::lock_guard lock(m_mutex);
        m_holding = true;
    }

    void letGo()
    {
        const std::lock_guard lock(m_mutex);
        m_holding = false;
        if (m_gate)
            m_gate->release((budget - left) * m_held);
        m_held = 0;
    }

private:
    std::mutex m_mutex;
    bool m_holding = false;
    platform::MemoryGate* m_gate = nullptr;
    int m_held = 0;
};

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
    // until `holds` comes true. Bounded only so that a store that never gets there fails rather than hangs.
    template <typename Check> static bool eventually(const Check& holds)
    {
        QElapsedTimer timer;
        timer.start();
        while (!holds()) {
            if (timer.elapsed() > longestWait)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

    // Far above what any wait here takes on a loaded machine under the sanitizers.
    static constexpr int longestWait = 300000;

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

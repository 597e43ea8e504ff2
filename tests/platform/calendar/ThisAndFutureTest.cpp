// Overrides that stand for their occurrence and every later one (RECURRENCE-ID;RANGE=THISANDFUTURE), read by
// the real store, in New York time so that the series crosses the change to summer time on 8 March 2026.
#include "CalendarTestFiles.h"
#include "tests/support/Patience.h"

#include <QSignalSpy>

using namespace platform;

namespace {

Date newYork(int month, int day, int hour, int minute = 0)
{
    return Date::fromDateTime(QDateTime(QDate(2026, month, day), QTime(hour, minute), QTimeZone("America/New_York")));
}

// What a test compares: an occurrence's title, start, end and the start the series gave it.
struct Seen
{
    QString title;
    Date start;
    Date end;
    std::optional<Date> recurrenceStart;

    bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out)
{
    *out << seen.title.toStdString() << " " << seen.start.toDateTime().toString(Qt::ISODate).toStdString() << "-"
         << seen.end.toDateTime().toString(Qt::ISODate).toStdString();
}

// Weekly on Mondays, 10:00 to 11:00 New York time, from 2 February 2026; `overrides` follow the series.
QString weeklySeries(const QString& overrides)
{
    return QStringLiteral("BEGIN:VEVENT\nUID:weekly\nSUMMARY:Weekly\nDTSTART;TZID=America/New_York:20260202T100000\n"
                          "DTEND;TZID=America/New_York:20260202T110000\nRRULE:FREQ=WEEKLY\nEND:VEVENT\n")
        + overrides;
}

QString override(const QString& id, const QString& title, const QString& start, const QString& end,
    const QString& extra = {}, bool thisAndFuture = true)
{
    return QStringLiteral("BEGIN:VEVENT\nUID:weekly\nRECURRENCE-ID%1;TZID=America/New_York:%2\nSUMMARY:%3\n"
                          "DTSTART;TZID=America/New_York:%4\nDTEND;TZID=America/New_York:%5\n%6END:VEVENT\n")
        .arg(thisAndFuture ? QStringLiteral(";RANGE=THISANDFUTURE") : QString(), id, title, start, end, extra);
}

class ThisAndFutureTest : public CalendarFilesTest
{
protected:
    // The store's first answer for the window, whether it was whole, and the answer once it is.
    struct Answers
    {
        QList<Seen> first;
        bool firstWhole = false;
        QList<Seen> whole;
    };

    Answers answers(Date from, Date to)
    {
        ICalendarStore store;
        QSignalSpy changed(&store, &EventStore::changed);
        Answers result;
        result.first = seenIn(store.events(from, to, { calendar("cal") }));
        result.firstWhole = store.isReadComplete();
        result.whole = result.first;
        while (!store.isReadComplete() && changed.wait(testsupport::patienceMs))
            result.whole = seenIn(store.events(from, to, { calendar("cal") }));
        EXPECT_TRUE(store.isReadComplete());
        return result;
    }

    QList<Seen> seen(Date from, Date to) { return answers(from, to).whole; }

    static QList<Seen> seenIn(const QList<StoreEvent>& events)
    {
        QList<Seen> result;
        QSet<QString> identifiers;
        for (const StoreEvent& event : events) {
            result.append({ event.title.value_or(QString()), event.start, event.end, event.recurrenceStart });
            identifiers.insert(event.itemIdentifier);
        }
        EXPECT_EQ(identifiers.size(), result.size());
        std::sort(result.begin(), result.end(),
            [](const Seen& a, const Seen& b) { return std::tie(a.start, a.title) < std::tie(b.start, b.title); });
        return result;
    }
};

} // namespace

// A shortened range, then a moved one, a single override inside it, then a cancelled range: each applies from
// its own occurrence on, and the moved ones keep their hour on the wall clock after the change of offset.
TEST_F(ThisAndFutureTest, RangesApplyInOrderAcrossAChangeOfOffset)
{
    write("cal/weekly.ics",
        weeklySeries(override("20260216T100000", "Short", "20260216T100000", "20260216T101500")
            + override("20260302T100000", "Moved", "20260302T110000", "20260302T113000")
            + override("20260316T100000", "Own", "20260316T140000", "20260316T150000", {}, false)
            + override("20260406T100000", "Gone", "20260406T100000", "20260406T110000", "STATUS:CANCELLED\n")));

    const QList<Seen> expected {
        { "Weekly", newYork(2, 2, 10), newYork(2, 2, 11), newYork(2, 2, 10) },
        { "Weekly", newYork(2, 9, 10), newYork(2, 9, 11), newYork(2, 9, 10) },
        { "Short", newYork(2, 16, 10), newYork(2, 16, 10, 15), newYork(2, 16, 10) },
        { "Short", newYork(2, 23, 10), newYork(2, 23, 10, 15), newYork(2, 23, 10) },
        { "Moved", newYork(3, 2, 11), newYork(3, 2, 11, 30), newYork(3, 2, 10) },
        // Summer time: 11:00 is now 15:00 UTC, not 16:00.
        { "Moved", newYork(3, 9, 11), newYork(3, 9, 11, 30), newYork(3, 9, 10) },
        { "Own", newYork(3, 16, 14), newYork(3, 16, 15), newYork(3, 16, 10) },
        { "Moved", newYork(3, 23, 11), newYork(3, 23, 11, 30), newYork(3, 23, 10) },
        { "Moved", newYork(3, 30, 11), newYork(3, 30, 11, 30), newYork(3, 30, 10) },
    };
    EXPECT_EQ(seen(newYork(2, 1, 0), newYork(6, 1, 0)), expected);
    EXPECT_EQ(newYork(3, 9, 11).secondsSince(newYork(3, 2, 11)), 7 * 86400.0 - 3600);
}

// Occurrences moved by days are found from the windows they moved into, whichever way they moved.
TEST_F(ThisAndFutureTest, MovedOccurrencesAreFoundInTheWindowTheyMovedInto)
{
    write("cal/weekly.ics",
        weeklySeries(override("20260302T100000", "Wednesdays", "20260304T100000", "20260304T110000")));
    EXPECT_EQ(seen(newYork(3, 11, 0), newYork(3, 12, 0)),
        QList<Seen>({ { "Wednesdays", newYork(3, 11, 10), newYork(3, 11, 11), newYork(3, 9, 10) } }));
    EXPECT_TRUE(seen(newYork(3, 9, 0), newYork(3, 10, 0)).isEmpty());

    write("cal/weekly.ics", weeklySeries(override("20260302T100000", "Fridays", "20260227T100000", "20260227T110000")));
    EXPECT_EQ(seen(newYork(3, 6, 0), newYork(3, 7, 0)),
        QList<Seen>({ { "Fridays", newYork(3, 6, 10), newYork(3, 6, 11), newYork(3, 9, 10) } }));
    EXPECT_TRUE(seen(newYork(3, 9, 0), newYork(3, 10, 0)).isEmpty());
}

// A range on an all-day series moves whole days; without RANGE an override stays a single one.
TEST_F(ThisAndFutureTest, AllDayRangesMoveByDaysAndPlainOverridesStaySingle)
{
    write("cal/days.ics",
        "BEGIN:VEVENT\nUID:days\nSUMMARY:Day\nDTSTART;VALUE=DATE:20260302\nRRULE:FREQ=WEEKLY;COUNT=4\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:days\nRECURRENCE-ID;RANGE=THISANDFUTURE;VALUE=DATE:20260309\nSUMMARY:Next day\n"
        "DTSTART;VALUE=DATE:20260310\nDTEND;VALUE=DATE:20260312\nEND:VEVENT\n");
    const Date day1 = Date::fromDateTime(QDate(2026, 3, 17).startOfDay());
    const QList<Seen> days = seen(Date::fromDateTime(QDate(2026, 3, 1).startOfDay()), day1.addingSeconds(30 * 86400));
    ASSERT_EQ(days.size(), 4);
    EXPECT_EQ(days.at(2).title, "Next day");
    EXPECT_EQ(days.at(2).start, Date::fromDateTime(QDate(2026, 3, 17).startOfDay()));
    EXPECT_EQ(days.at(2).end, Date::fromDateTime(QDate(2026, 3, 19).startOfDay()));
    EXPECT_EQ(days.at(3).start, Date::fromDateTime(QDate(2026, 3, 24).startOfDay()));

    write("cal/days.ics", {});
    write("cal/weekly.ics",
        weeklySeries(override("20260302T100000", "Once", "20260302T110000", "20260302T113000", {}, false)));
    const QList<Seen> single = seen(newYork(3, 1, 0), newYork(3, 17, 0));
    ASSERT_EQ(single.size(), 3);
    EXPECT_EQ(single.at(1), (Seen { "Weekly", newYork(3, 9, 10), newYork(3, 9, 11), newYork(3, 9, 10) }));
}

// A range moved by most of a year, either way, leaves the occurrences before it where they were and still reaches
// its own at fine frequencies: a window finds them without walking every start between it and where they came from.
TEST_F(ThisAndFutureTest, RangesMovedFarReachTheirOccurrencesAtAnyFrequency)
{
    const struct
    {
        const char* frequency;
        int unit;
        int days;
    } cases[] = {
        { "HOURLY", 3600, 250 },
        { "HOURLY", 3600, 399 },
        { "HOURLY", 3600, -250 },
        { "HOURLY", 3600, -399 },
        { "MINUTELY", 60, 399 },
        { "MINUTELY", 60, -399 },
    };
    const QTimeZone zone("America/New_York");
    // Three starts from 10:00 of `day`, a unit apart, of each title with the day the series gave it.
    const auto threeFrom = [&](QDate day, int unit, const QList<std::pair<QString, QDate>>& given) {
        QList<Seen> result;
        for (int i = 0; i < 3; ++i) {
            const QTime time = QTime(10, 0).addSecs(i * unit);
            const Date start = Date::fromDateTime(QDateTime(day, time, zone));
            for (const auto& [title, ruleDay] : given)
                result.append({ title, start, start, Date::fromDateTime(QDateTime(ruleDay, time, zone)) });
        }
        return result;
    };
    for (const auto& [frequency, unit, days] : cases) {
        SCOPED_TRACE(std::string(frequency) + " moved by " + std::to_string(days) + " days");
        const QDate id(2026, 9, 1);
        const QString start = id.addDays(days).toString("yyyyMMdd") + "T100000";
        write("cal/series.ics",
            QStringLiteral("BEGIN:VEVENT\nUID:weekly\nSUMMARY:Series\nDTSTART;TZID=America/New_York:20250106T100000\n"
                           "RRULE:FREQ=%1\nEND:VEVENT\n")
                    .arg(frequency)
                + override(id.toString("yyyyMMdd") + "T100000", "Moved", start, start));

        // Before the range and before any occurrence it moves back; ten days into the moved occurrences, which keep
        // their hour on the wall clock, beside those before the range when it moved back.
        const QDate before = id.addDays(std::min(days, 0) - 10);
        const QDate moved = id.addDays(days + 10);
        const auto threeUnits = [&](QDate day) {
            const Date from = Date::fromDateTime(QDateTime(day, QTime(10, 0), zone));
            return seen(from, from.addingSeconds(3 * unit));
        };
        EXPECT_EQ(threeUnits(before), threeFrom(before, unit, { { "Series", before } }));
        QList<std::pair<QString, QDate>> atMoved { { "Moved", id.addDays(10) } };
        if (days < 0)
            atMoved.append({ "Series", moved });
        EXPECT_EQ(threeUnits(moved), threeFrom(moved, unit, atMoved));
    }
}

// Ranges that move later occurrences in from elsewhere, one far and many close together on a fine series: the
// caller's thread expands only the window asked, each range its own occurrences on the worker, and the answer
// after the worker's holds each moved occurrence once, with the title of the range it lies in.
TEST_F(ThisAndFutureTest, OccurrencesMovedInFromElsewhereAreExpandedByTheWorker)
{
    const struct
    {
        const char* rule;
        int unit;
        int ranges;
        int days;
    } cases[] = {
        { "FREQ=HOURLY", 3600, 1, 3 },
        { "FREQ=MINUTELY;INTERVAL=5", 300, 300, 5 },
    };
    const auto utc = [](Date date) { return date.toDateTime().toUTC().toString("yyyyMMdd'T'HHmmss'Z'"); };
    const Date first = Date::fromDateTime(QDateTime(QDate(2026, 5, 4), QTime(9, 0), QTimeZone::utc()));
    const Date base = first.addingSeconds(7 * 86400);
    for (const auto& [rule, unit, ranges, days] : cases) {
        SCOPED_TRACE(std::string(rule) + ", " + std::to_string(ranges) + " ranges");
        QString text = QStringLiteral("BEGIN:VEVENT\nUID:moving\nSUMMARY:Series\nDTSTART:%1\nDURATION:PT1M\n"
                                      "RRULE:%2\nEND:VEVENT\n")
                           .arg(utc(first), rule);
        // Each range begins three occurrences after the last; the first is the override itself.
        QList<Seen> overrides;
        QList<Seen> all;
        for (int i = 0; i < ranges; ++i) {
            const Date id = base.addingSeconds(3.0 * i * unit);
            const QString title = QStringLiteral("v%1").arg(i);
            text += QStringLiteral("BEGIN:VEVENT\nUID:moving\nRECURRENCE-ID;RANGE=THISANDFUTURE:%1\nSUMMARY:%2\n"
                                   "DTSTART:%3\nDURATION:PT1M\nEND:VEVENT\n")
                        .arg(utc(id), title, utc(id.addingSeconds(days * 86400.0)));
            for (int k = 0; k < 3; ++k) {
                const Date given = id.addingSeconds(k * unit);
                const Date start = given.addingSeconds(days * 86400.0);
                all.append({ title, start, start.addingSeconds(60), given });
            }
            overrides.append(all.at(all.size() - 3));
        }
        write("cal/moving.ics", text);

        const Date from = base.addingSeconds(days * 86400.0);
        const Answers seen = answers(from, from.addingSeconds(3.0 * ranges * unit));
        EXPECT_EQ(seen.first, overrides);
        EXPECT_FALSE(seen.firstWhole);
        EXPECT_EQ(seen.whole, all);
    }
}

// Reads one calendar file through the store and fetches a window from it: whatever the file holds, the
// fetch returns in time and gives events that lie in the window, each once.
#include "FuzzSupport.h"
#include "platform/calendar/ICalendarStore.h"

#include <QDir>
#include <QSet>

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::application();
    const QString root = fuzz::folder().path() + QStringLiteral("/calendars");
    static const bool made = QDir().mkpath(root + QStringLiteral("/cal"));
    FUZZ_CHECK(made);
    // Nothing is listed before access is given, as on a first launch.
    static const bool granted = [&root] {
        ICalendarStore first(root, fuzz::folder().path() + QStringLiteral("/access"));
        return QCoro::waitFor(first.requestFullAccess(EntityType::event))
            && QCoro::waitFor(first.requestFullAccess(EntityType::reminder));
    }();
    FUZZ_CHECK(granted);
    fuzz::writeFile(
        root + QStringLiteral("/cal/item.ics"), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // A store of its own for each input: its first answer waits for its first read, where a running store
    // would answer from the input before while it reads this one.
    ICalendarStore store(root, fuzz::folder().path() + QStringLiteral("/access"));
    // Its first answer waits for that read only so long: the read is awaited in full first.
    QCoro::waitFor(store.incompleteReminders({}, {}, {}));

    // The folder is a calendar, a task list or both, as its items have it.
    const QList<StoreCalendar> calendars = store.calendars(EntityType::event);
    const QList<StoreCalendar> taskLists = store.calendars(EntityType::reminder);
    FUZZ_CHECK(calendars.size() + taskLists.size() >= 1 && calendars.size() <= 1 && taskLists.size() <= 1);
    // Around the first start of most items that a fuzzer builds from the seeds.
    const Date from = Date::fromDateTime(QDateTime(QDate(2026, 3, 28), QTime(0, 0), QTimeZone::utc()));
    const Date to = from.addingSeconds(9 * 86400.0);
    QSet<QString> identifiers;
    for (const StoreEvent& event : store.events(from, to, calendars)) {
        FUZZ_CHECK(event.end >= event.start);
        FUZZ_CHECK(event.start < to);
        FUZZ_CHECK(event.end > from || (event.end == event.start && event.start >= from));
        FUZZ_CHECK(!identifiers.contains(event.itemIdentifier));
        identifiers.insert(event.itemIdentifier);
    }
    const QList<StoreReminder> reminders = QCoro::waitFor(store.incompleteReminders(from, to, taskLists));
    for (const StoreReminder& reminder : reminders) {
        FUZZ_CHECK(reminder.due.has_value());
        FUZZ_CHECK(reminder.due->moment < to);
    }
    return 0;
}

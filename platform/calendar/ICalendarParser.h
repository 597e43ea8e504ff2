#pragma once

#include <QByteArrayView>
#include <atomic>
#include <libical/ical.h>
#include <memory>
#include <optional>

namespace platform {

// Turns iCalendar text into libical's tree, one unfolded line at a time, and stops before the tree nests too
// deep: libical builds and frees its tree recursively, so a file nesting thousands deep would overflow the
// reading thread's stack. The depth is counted on the very lines libical reads, after it has joined folded
// ones, so that a folded BEGIN still counts and a folded END still closes.
class ICalendarParser
{
public:
    // Real files nest three deep (a calendar, an event, its alarm).
    static constexpr int maximumNesting = 10;
    // libical keeps a rule's INTERVAL in 16 bits. A longer one reaches it as the longest it keeps, and whole, in
    // digits, as this parameter of the RRULE.
    static constexpr const char* wholeIntervalParameter = "X-TOLVAR-INTERVAL";

    using Tree = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

    // The components of `text`, under an XROOT when there are several; a null tree when it holds none.
    // Absent when its components open more than `maximumNesting` deep, or once `abandoned` is set. `text` ends
    // at its first NUL.
    static std::optional<Tree> parse(QByteArrayView text, const std::atomic<bool>* abandoned = nullptr);
};

} // namespace platform

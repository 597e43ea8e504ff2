#pragma once

#include <QTimeZone>
#include <memory>

namespace platform {

class ZoneDefinition;

// The offsets of a zone that a TZID names: one the system knows, or one that only the file's own VTIMEZONE
// defines. Immutable and shared, so that every time of a file holds the same definition for the price of a
// pointer, and the definition outlives the file's parse for the rules expanded later.
class CalendarZone
{
public:
    CalendarZone() = default;
    explicit CalendarZone(const QTimeZone& zone);
    // `definition` must not be empty.
    explicit CalendarZone(ZoneDefinition definition);

    bool isValid() const { return m_definition != nullptr; }
    // Seconds east of UTC at a moment given in seconds since 1970.
    int offsetAt(qint64 utcSeconds) const;

private:
    class Definition;

    std::shared_ptr<const Definition> m_definition;
};

} // namespace platform

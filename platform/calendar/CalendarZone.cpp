#include "platform/calendar/CalendarZone.h"

#include "platform/calendar/DefinedZone.h"

namespace platform {

class CalendarZone::Definition
{
public:
    explicit Definition(const QTimeZone& zone)
        : m_system(zone)
    { }

    explicit Definition(ZoneDefinition definition)
        : m_defined(std::make_unique<DefinedZone>(std::move(definition)))
    { }

    int offsetAt(qint64 utcSeconds) const
    {
        if (m_defined)
            return m_defined->offsetAt(utcSeconds);
        return m_system.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSeconds, QTimeZone::utc()));
    }

private:
    QTimeZone m_system;
    std::unique_ptr<DefinedZone> m_defined;
};

CalendarZone::CalendarZone(const QTimeZone& zone)
    : m_definition(std::make_shared<const Definition>(zone))
{ }

CalendarZone::CalendarZone(ZoneDefinition definition)
    : m_definition(std::make_shared<const Definition>(std::move(definition)))
{ }

int CalendarZone::offsetAt(qint64 utcSeconds) const
{
    return m_definition ? m_definition->offsetAt(utcSeconds) : 0;
}

} // namespace platform

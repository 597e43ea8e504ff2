#include "tolvar/availability/AvailabilityMessage.h"

#include "platform/text/DateTemplateFormat.h"
#include "platform/text/Localized.h"
#include "tolvar/availability/AvailabilityDayGroup.h"

#include <QRegularExpression>
#include <cstdlib>

namespace tolvar {

namespace {

constexpr QChar enDash = QChar(0x2013);

// The tz database names zones without an abbreviation of their own by their offset ("+04", "-0330").
bool isNumericAbbreviation(const QString& name)
{
    static const QRegularExpression numeric(QStringLiteral("^[+-]\\d{2,4}$"));
    return numeric.match(name).hasMatch();
}

} // namespace

QString timeZoneOffsetLabel(const QTimeZone& zone, platform::Date at)
{
    const QDateTime moment = at.toDateTime();
    QString name = zone.abbreviation(moment);
    if (name.isEmpty())
        name = QString::fromUtf8(zone.id());

    const int seconds = zone.offsetFromUtc(moment);
    const char* sign = seconds < 0 ? "-" : "+";
    const int magnitude = std::abs(seconds);
    const int hours = magnitude / 3600;
    const int minutes = (magnitude % 3600) / 60;
    const QString offset = minutes != 0 ? QString::asprintf("GMT%s%d:%02d", sign, hours, minutes)
                                        : QString::asprintf("GMT%s%d", sign, hours);

    if (name == offset)
        return name;
    if (name.startsWith(QLatin1String("GMT")) || name.startsWith(QLatin1String("UTC")) || isNumericAbbreviation(name))
        return offset;
    return name + QLatin1String(", ") + offset;
}

QList<AvailabilityRange> mergeAdjacentSlots(const QList<AvailabilitySlot>& slotList)
{
    QList<AvailabilityRange> ranges;
    for (const AvailabilitySlot& slot : sortedByStart(slotList)) {
        if (!ranges.isEmpty() && slot.start.secondsSince(ranges.last().end) <= 1.0)
            ranges.last().end = std::max(ranges.last().end, slot.end);
        else
            ranges.append({ slot.start, slot.end });
    }
    return ranges;
}

QString buildAvailabilityMessage(const QList<AvailabilitySlot>& slotList, const QTimeZone& zone, const QLocale& locale)
{
    const QList<AvailabilitySlot> sorted = sortedByStart(slotList);
    if (sorted.isEmpty())
        return {};

    QStringList lines {
        platform::localizedFormat(
            "I'm available at these times (%@):", { timeZoneOffsetLabel(zone, sorted.first().start) }),
        QString(),
    };
    for (const AvailabilityDayGroup& group : groupSlotsByDay(sorted, zone)) {
        lines.append(platform::formatDateFromTemplate(group.day, QStringLiteral("EEE MMM d"), locale, zone));
        for (const AvailabilityRange& range : mergeAdjacentSlots(group.daySlots)) {
            lines.append(QLatin1String("  - ") + platform::formatShortTime(range.start, locale, zone) + enDash
                + platform::formatShortTime(range.end, locale, zone));
        }
        lines.append(QString());
    }
    lines.append(platform::localized("Reply with a time that works for you."));
    return lines.join(QLatin1Char('\n'));
}

QString slotTimeRangeLabel(const AvailabilitySlot& slot, const QTimeZone& zone, const QLocale& locale)
{
    return platform::formatShortTime(slot.start, locale, zone) + enDash
        + platform::formatShortTime(slot.end, locale, zone);
}

} // namespace tolvar

#include "tolvar/style/CalendarColor.h"

#include "platform/text/Localized.h"

#include <QHash>

namespace tolvar {

QColor calendarAccentColor(const std::optional<QString>& calendarTitle)
{
    const QString title = calendarTitle.value_or(platform::localized("Meeting"));
    // Qt seeds string hashes once per process, so a calendar's colour holds until the next launch. The
    // hash is unsigned: every value has a hue, the largest included.
    const size_t hash = qHash(title, QHashSeed::globalSeed());
    return QColor::fromHsvF(float(hash % 360) / 360.0f, 0.55f, 0.85f);
}

} // namespace tolvar

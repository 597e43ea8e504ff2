#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace tolvar {

// A calendar's colour: a hue from a fixed hash of its title, the same in every run on every machine. A meeting
// without a calendar title takes the colour of "Meeting".
QColor calendarAccentColor(const std::optional<QString>& calendarTitle);

} // namespace tolvar

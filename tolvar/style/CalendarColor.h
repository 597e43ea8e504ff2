#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace tolvar {

// A calendar's colour: a hue from its title's hash, the same for the life of the process. A meeting
// without a calendar title takes the colour of "Meeting".
QColor calendarAccentColor(const std::optional<QString>& calendarTitle);

} // namespace tolvar

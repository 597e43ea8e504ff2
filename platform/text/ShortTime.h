#pragma once

#include <QLocale>
#include <QTime>

namespace platform {

// A time of day in the locale's short style, always hours and minutes: the C and POSIX locales'
// short format carries seconds, which no clock face the user reads shows.
QString shortTimeText(QTime time, const QLocale& locale = QLocale());

} // namespace platform

#pragma once

#include "platform/time/Date.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace tolvar {

// Writes `date` from a date-format template such as "EEE MMM d" (the fields wanted, in any order): the
// locale decides the fields' order and punctuation.
QString formatDateFromTemplate(
    platform::Date date, const QString& dateTemplate, const QLocale& locale, const QTimeZone& zone);

// The time of day of `date` in `zone`, in the locale's short style.
QString formatShortTime(platform::Date date, const QLocale& locale, const QTimeZone& zone);

} // namespace tolvar

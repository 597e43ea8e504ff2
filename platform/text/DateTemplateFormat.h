#pragma once

#include "platform/time/Date.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>

namespace platform {

// Writes `date` from a date-format template such as "EEE MMM d" (the fields wanted, in any order): the
// locale decides the fields' order and punctuation.
QString formatDateFromTemplate(Date date, const QString& dateTemplate, const QLocale& locale, const QTimeZone& zone);

// The time of day of `date` in `zone`, in the locale's short style.
QString formatShortTime(Date date, const QLocale& locale, const QTimeZone& zone);

} // namespace platform

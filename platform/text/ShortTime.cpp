#include "platform/text/ShortTime.h"

#include <QRegularExpression>

namespace platform {

QString shortTimeText(QTime time, const QLocale& locale)
{
    // Drops the seconds field together with the separator before it ("HH:mm:ss" → "HH:mm").
    static const QRegularExpression seconds(QStringLiteral("[^A-Za-z']*s+"));
    QString format = locale.timeFormat(QLocale::ShortFormat);
    format.remove(seconds);
    return locale.toString(time, format.trimmed());
}

} // namespace platform

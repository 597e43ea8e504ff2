#include "tolvar/style/CalendarColor.h"

#include "platform/text/Localized.h"

#include <QCryptographicHash>
#include <QtEndian>

namespace tolvar {

QColor calendarAccentColor(const std::optional<QString>& calendarTitle)
{
    const QString title = calendarTitle.value_or(platform::localized("Meeting"));
    // A digest, not qHash: Qt seeds its string hash per process and may change it between releases,
    // and a calendar should keep its colour across launches and machines.
    const QByteArray digest = QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha256);
    const quint64 hash = qFromBigEndian<quint64>(digest.constData());
    return QColor::fromHsvF(float(hash % 360) / 360.0f, 0.55f, 0.85f);
}

} // namespace tolvar

#include "tolvar/model/MeetingIdentity.h"

#include <QCryptographicHash>

namespace tolvar {

QString normalizedMeetingTitle(const QString& title)
{
    return collapseWhitespace(title.trimmed().toLower());
}

QString collapseWhitespace(QStringView text)
{
    QString result;
    result.reserve(text.size());
    bool inSpace = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            if (!inSpace)
                result += u' ';
            inSpace = true;
        } else {
            result += c;
            inSpace = false;
        }
    }
    return result;
}

std::optional<QString> makeCalendarKey(
    const std::optional<QString>& sourceTitle, const std::optional<QString>& calendarTitle)
{
    const QString source = sourceTitle.value_or(QString());
    const QString title = calendarTitle.value_or(QString());
    if (source.isEmpty() && title.isEmpty())
        return std::nullopt;
    return source + QChar(0x1f) + title;
}

std::optional<QString> sha256Hex(const std::optional<QString>& text)
{
    if (!text || text->isEmpty())
        return std::nullopt;
    return QString::fromLatin1(QCryptographicHash::hash(text->toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace tolvar

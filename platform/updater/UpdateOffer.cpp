#include "platform/updater/UpdateOffer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QVersionNumber>

namespace platform {

std::optional<UpdateOffer> UpdateOffer::fromFeed(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue version = object.value(QLatin1String("version"));
    const QJsonValue url = object.value(QLatin1String("url"));
    if (!version.isString() || !url.isString())
        return std::nullopt;

    qsizetype suffixIndex = 0;
    const QString versionText = version.toString();
    if (QVersionNumber::fromString(versionText, &suffixIndex).isNull() || suffixIndex != versionText.size())
        return std::nullopt;

    const QUrl downloadUrl(url.toString(), QUrl::StrictMode);
    const QString scheme = downloadUrl.scheme().toLower();
    if (!downloadUrl.isValid() || (scheme != u"http" && scheme != u"https") || downloadUrl.host().isEmpty())
        return std::nullopt;
    return UpdateOffer { versionText, downloadUrl };
}

} // namespace platform

#include "tolvar/model/MeetingLinks.h"

#include "platform/text/LinkDetector.h"
#include "tolvar/model/MeetingIdentity.h"

#include <QRegularExpression>

namespace tolvar {
namespace {

constexpr QStringView locationTrimmingSet = u" \n\t-\u2013\u2014\u00b7,;|";

QList<platform::DetectedLink> detectWebLinks(const QString& text)
{
    QList<platform::DetectedLink> links = platform::detectLinks(text);
    links.removeIf([](const platform::DetectedLink& link) { return !isWebLink(link.url); });
    return links;
}

QStringView trimLocationSeparators(QStringView text)
{
    while (!text.isEmpty() && locationTrimmingSet.contains(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && locationTrimmingSet.contains(text.back()))
        text.chop(1);
    return text;
}

// Mail programs write the online service's name where the place goes ("Microsoft Teams Meeting") and
// the link into the description: that names no place anyone can go to.
bool isOnlyAServiceName(const QString& location)
{
    static const QRegularExpression serviceName(
        QStringLiteral("^(?:(?:microsoft )?teams|zoom|google meet|webex|whereby)(?: meeting)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return serviceName.match(location).hasMatch();
}

} // namespace

QString linkText(const QUrl& url)
{
    return url.toString(QUrl::FullyEncoded);
}

bool isWebLink(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid()
        && (scheme.compare(u"http", Qt::CaseInsensitive) == 0 || scheme.compare(u"https", Qt::CaseInsensitive) == 0)
        && !url.host().isEmpty();
}

QList<QUrl> detectLinks(const QString& text)
{
    QList<QUrl> urls;
    for (const platform::DetectedLink& link : detectWebLinks(text))
        urls.append(link.url);
    return urls;
}

std::optional<QString> physicalLocationText(const std::optional<QString>& location)
{
    if (!location)
        return std::nullopt;
    const QStringView text = QStringView(*location).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    // The links are cut out where they stand, in one pass: removing each one from the whole text in turn
    // costs time in the square of their number. A bare link such as example.zoom.us/j/1 stands there
    // without the scheme it is reported with.
    QString remaining;
    remaining.reserve(text.size());
    qsizetype copied = 0;
    platform::forEachLink(text, [&](const platform::DetectedLink& link) {
        if (!isWebLink(link.url))
            return;
        remaining += text.mid(copied, link.position - copied);
        copied = link.position + link.text.size();
    });
    remaining += text.mid(copied);
    const QString cleaned = collapseWhitespace(trimLocationSeparators(remaining));
    if (cleaned.isEmpty())
        return std::nullopt;
    return cleaned;
}

std::optional<QString> placeName(const std::optional<QString>& location)
{
    std::optional<QString> place = physicalLocationText(location);
    if (place && isOnlyAServiceName(*place))
        return std::nullopt;
    return place;
}

std::optional<QString> joinServiceName(const std::optional<QUrl>& joinURL)
{
    if (!joinURL)
        return std::nullopt;
    const QString host = joinURL->host().toLower();
    if (host.isEmpty())
        return std::nullopt;
    static const QList<std::pair<QStringList, QString>> services = {
        { { "zoom.us", "zoomgov.com" }, "Zoom" },
        { { "meet.google.com" }, "Google Meet" },
        { { "teams.microsoft.com", "teams.live.com" }, "Teams" },
        { { "webex.com" }, "Webex" },
        { { "whereby.com" }, "Whereby" },
    };
    for (const auto& [fragments, name] : services) {
        for (const QString& fragment : fragments) {
            if (host.contains(fragment))
                return name;
        }
    }
    return std::nullopt;
}

} // namespace tolvar

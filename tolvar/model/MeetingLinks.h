#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <optional>

namespace tolvar {

// A link's absolute text, as stored and as hashed into meeting ids.
QString linkText(const QUrl& url);
// An http or https link with a host: the only links the application opens.
bool isWebLink(const QUrl& url);
// The web links of a free text, in text order.
QList<QUrl> detectLinks(const QString& text);
// A calendar location without its web links and separators; absent when nothing remains.
std::optional<QString> physicalLocationText(const std::optional<QString>& location);
// The place to show as a place and to look up on a map: the physical location text, absent also when it
// only names an online meeting service ("Microsoft Teams Meeting").
std::optional<QString> placeName(const std::optional<QString>& location);
// "Zoom", "Google Meet", "Teams", "Webex" or "Whereby" by the join link's host, else absent.
std::optional<QString> joinServiceName(const std::optional<QUrl>& joinURL);

} // namespace tolvar

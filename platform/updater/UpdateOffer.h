#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace platform {

// A newer version named by the update feed, with the page to download it from.
struct UpdateOffer
{
    QString version;
    QUrl downloadUrl;

    // The feed is one JSON object: {"version": "1.2.0", "url": "https://example.org/tolvar/1.2.0"}. The
    // version is numbers separated by dots; the link must be absolute http or https with a host. Anything
    // else reads as no offer, since the link would be opened for the user.
    static std::optional<UpdateOffer> fromFeed(const QByteArray& json);

    bool operator==(const UpdateOffer&) const = default;
};

} // namespace platform

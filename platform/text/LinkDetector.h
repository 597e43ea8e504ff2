#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>

namespace platform {

struct DetectedLink
{
    QUrl url;
    // The link exactly as it stands in the text; bare domains have no scheme here.
    QString text;
};

// Finds the links of a free text in order of appearance: absolute links of any scheme, e-mail
// addresses (as mailto links) and bare domains such as www.example.com (as http links).
// Trailing sentence punctuation and closing brackets not opened inside a link are not part of it.
QList<DetectedLink> detectLinks(QStringView text);

} // namespace platform

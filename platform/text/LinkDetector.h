#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QUrl>
#include <functional>

namespace platform {

struct DetectedLink
{
    QUrl url;
    // The link exactly as it stands in the text; bare domains have no scheme here.
    QString text;
    // Where `text` stands in the text.
    qsizetype position = 0;
};

// Finds the links of a free text in order of appearance: absolute links of any scheme, e-mail
// addresses (as mailto links) and bare domains such as www.example.com (as http links).
// Trailing sentence punctuation and closing brackets not opened inside a link are not part of it.
QList<DetectedLink> detectLinks(QStringView text);
// The same links, each handed to `take` as it is found, so that a long text needs no list of them all.
void forEachLink(QStringView text, const std::function<void(const DetectedLink&)>& take);

} // namespace platform

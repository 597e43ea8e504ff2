#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Every user-visible text is looked up by its English form, which is also the fallback.
QString localized(const char* english);

// Looks up `englishFormat` and fills its placeholders (%@, %d, %ld, %lld, and %02d, which pads to two digits) in order with `arguments`;
// "%%" stands for a literal percent sign.
QString localizedFormat(const char* englishFormat, const QStringList& arguments);

} // namespace platform

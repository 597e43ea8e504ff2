#pragma once

#include <QString>

namespace ShortcutKit {

// The library's own texts, looked up by key. A key is translated through its English text, so that
// without a translation the English text shows; an unknown key stands for itself.
QString localizedString(const char* key);

// Every word with its first letter in title case and the rest in lower case.
QString capitalized(const QString& text);

} // namespace ShortcutKit

#include "ShortcutKit/Localization.h"

#include "platform/text/Localized.h"

#include <cstring>
#include <utility>

namespace ShortcutKit {

namespace {
const std::pair<const char*, const char*> englishTexts[] = {
    { "space_key", "space" },
    { "record_shortcut", "Record Shortcut" },
    { "press_shortcut", "Press Shortcut" },
    { "keyboard_shortcut_used_by_menu_item",
        "This keyboard shortcut cannot be used as it’s already used by the “%1” menu item." },
    { "keyboard_shortcut_used_by_system",
        "This keyboard shortcut cannot be used as it’s already a desktop-wide keyboard shortcut." },
    { "keyboard_shortcuts_can_be_changed",
        "Most desktop-wide keyboard shortcuts can be changed in the keyboard settings of your desktop." },
    { "ok", "OK" },
    { "force_use_shortcut", "Use Anyway" },
};
}

QString localizedString(const char* key)
{
    for (const auto& [textKey, english] : englishTexts) {
        if (std::strcmp(textKey, key) == 0)
            return platform::localized(english);
    }
    return QString::fromUtf8(key);
}

QString capitalized(const QString& text)
{
    QString result;
    bool startOfWord = true;
    for (const char32_t character : text.toUcs4()) {
        const char32_t changed = startOfWord ? QChar::toTitleCase(character) : QChar::toLower(character);
        result += QString::fromUcs4(&changed, 1);
        startOfWord = QChar::isSpace(character);
    }
    return result;
}

} // namespace ShortcutKit

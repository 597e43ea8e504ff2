#include "platform/systemshortcuts/KdeGlobalShortcuts.h"

#include "platform/hotkeys/HotKeys.h"
#include "platform/systemshortcuts/KeysymShortcut.h"

#include <QFile>
#include <QStandardPaths>
#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {
// Qt's names of keys whose X keysym is named otherwise.
const std::pair<const char*, const char*> keyNames[] = {
    { "Esc", "Escape" },
    { "Backspace", "BackSpace" },
    { "Backtab", "ISO_Left_Tab" },
    { "Enter", "KP_Enter" },
    { "Ins", "Insert" },
    { "Del", "Delete" },
    { "PgUp", "Prior" },
    { "PgDown", "Next" },
    { "SysReq", "Sys_Req" },
    { "Volume Down", "XF86AudioLowerVolume" },
    { "Volume Up", "XF86AudioRaiseVolume" },
    { "Volume Mute", "XF86AudioMute" },
    { "Media Play", "XF86AudioPlay" },
    { "Media Stop", "XF86AudioStop" },
    { "Media Previous", "XF86AudioPrev" },
    { "Media Next", "XF86AudioNext" },
    { "Launch Mail", "XF86Mail" },
    { "Calculator", "XF86Calculator" },
};

const std::pair<const char*, qint64> modifierNames[] = {
    { "Ctrl+", CarbonModifier::control }, { "Alt+", CarbonModifier::option }, { "Shift+", CarbonModifier::shift },
    { "Meta+", CarbonModifier::command }, { "Num+", 0 }, // the keypad flag; the key itself says it is on the keypad
};

xkb_keysym_t keysymFor(const QString& key)
{
    if (key.size() == 1)
        return xkb_utf32_to_keysym(key.toLower()[0].unicode());
    QString name = key;
    for (const auto& [qtName, x11Name] : keyNames) {
        if (key.compare(QLatin1StringView(qtName), Qt::CaseInsensitive) == 0)
            name = QString::fromLatin1(x11Name);
    }
    return xkb_keysym_from_name(name.toUtf8().constData(), XKB_KEYSYM_CASE_INSENSITIVE);
}

// KConfig escapes: a backslash before t, n, s or any other character.
QString unescaped(const QString& value)
{
    QString result;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] != u'\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const QChar next = value[++i];
        result += next == u't' ? QChar(u'\t') : next == u'n' ? QChar(u'\n') : next == u's' ? QChar(u' ') : next;
    }
    return result;
}

// The first comma-separated field (the active shortcuts), commas escaped with a backslash kept.
QString firstField(const QString& value)
{
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\')
            ++i;
        else if (value[i] == u',')
            return value.left(i);
    }
    return value;
}
} // namespace

std::optional<SystemShortcut> KdeGlobalShortcuts::parseShortcut(const QString& shortcut, const KeyboardLayout& layout)
{
    QString rest = shortcut.trimmed();
    if (rest.contains(QStringLiteral(", ")))
        return std::nullopt;
    qint64 modifiers = 0;
    for (bool found = true; found;) {
        found = false;
        for (const auto& [prefix, modifier] : modifierNames) {
            const QLatin1StringView name(prefix);
            if (rest.size() > name.size() && rest.startsWith(name, Qt::CaseInsensitive)) {
                modifiers |= modifier;
                rest = rest.mid(name.size());
                found = true;
            }
        }
    }
    return keysymShortcut(keysymFor(rest), modifiers, layout);
}

QList<SystemShortcut> KdeGlobalShortcuts::parse(const QString& fileText, const KeyboardLayout& layout)
{
    QList<SystemShortcut> shortcuts;
    for (const QStringView rawLine : QStringView(fileText).split(u'\n')) {
        const QStringView line = rawLine.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'[') || line.startsWith(u'#') || equals <= 0)
            continue;
        if (line.left(equals).trimmed() == u"_k_friendly_name")
            continue;
        const QString active = unescaped(firstField(line.mid(equals + 1).toString()));
        for (const QString& one : active.split(u'\t', Qt::SkipEmptyParts)) {
            if (one.trimmed() == u"none")
                continue;
            if (const std::optional<SystemShortcut> parsed = parseShortcut(one, layout))
                shortcuts.append(*parsed);
        }
    }
    return shortcuts;
}

QList<SystemShortcut> KdeGlobalShortcuts::read(const KeyboardLayout& layout)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/kglobalshortcutsrc");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(QString::fromUtf8(file.readAll()), layout);
}

} // namespace platform

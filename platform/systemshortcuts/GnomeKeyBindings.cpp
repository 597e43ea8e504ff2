#include "platform/systemshortcuts/GnomeKeyBindings.h"

#include "platform/hotkeys/HotKeys.h"
#include "platform/systemshortcuts/KeysymShortcut.h"

#include <QProcess>
#include <QRegularExpression>
#include <xkbcommon/xkbcommon.h>

namespace platform {

namespace {
const char* const schemas[] = {
    "org.gnome.desktop.wm.keybindings",
    "org.gnome.shell.keybindings",
    "org.gnome.mutter.keybindings",
    "org.gnome.mutter.wayland.keybindings",
    "org.gnome.settings-daemon.plugins.media-keys",
};
const QString mediaKeys = QStringLiteral("org.gnome.settings-daemon.plugins.media-keys");
constexpr qint64 keyAboveTab = 50;

QString runGSettings(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"), arguments);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The texts of the single- or double-quoted strings of GVariant text, unescaped.
QStringList quotedStrings(const QString& text)
{
    static const QRegularExpression quoted(QStringLiteral(R"re('((?:[^'\\]|\\.)*)'|"((?:[^"\\]|\\.)*)")re"));
    static const QRegularExpression escape(QStringLiteral(R"(\\(.))"));
    QStringList strings;
    for (const QRegularExpressionMatch& match : quoted.globalMatch(text)) {
        QString string = match.captured(1).isNull() ? match.captured(2) : match.captured(1);
        strings.append(string.replace(escape, QStringLiteral("\\1")));
    }
    return strings;
}

std::optional<qint64> modifierFor(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == u"control" || lower == u"ctrl" || lower == u"ctl" || lower == u"primary")
        return CarbonModifier::control;
    if (lower == u"alt" || lower == u"mod1")
        return CarbonModifier::option;
    if (lower == u"shift" || lower == u"shft")
        return CarbonModifier::shift;
    if (lower == u"super" || lower == u"mod4")
        return CarbonModifier::command;
    if (lower == u"release")
        return 0;
    return std::nullopt;
}
} // namespace

std::optional<SystemShortcut> GnomeKeyBindings::parseAccelerator(
    const QString& accelerator, const KeyboardLayout& layout)
{
    QString rest = accelerator.trimmed();
    qint64 modifiers = 0;
    while (rest.startsWith(u'<')) {
        const qsizetype end = rest.indexOf(u'>');
        if (end < 0)
            return std::nullopt;
        const std::optional<qint64> modifier = modifierFor(rest.mid(1, end - 1));
        if (!modifier)
            return std::nullopt;
        modifiers |= *modifier;
        rest = rest.mid(end + 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    if (rest == u"Above_Tab")
        return SystemShortcut { keyAboveTab, modifiers };
    const QByteArray name = rest.toUtf8();
    xkb_keysym_t keysym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_NO_FLAGS);
    if (keysym == XKB_KEY_NoSymbol)
        keysym = xkb_keysym_from_name(name.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    return keysymShortcut(keysym, modifiers, layout);
}

QList<SystemShortcut> GnomeKeyBindings::parse(const QString& gsettingsOutput, const KeyboardLayout& layout)
{
    QList<SystemShortcut> shortcuts;
    for (const QString& string : quotedStrings(gsettingsOutput)) {
        if (const std::optional<SystemShortcut> shortcut = parseAccelerator(string, layout))
            shortcuts.append(*shortcut);
    }
    return shortcuts;
}

QList<SystemShortcut> GnomeKeyBindings::read(const KeyboardLayout& layout)
{
    QString output;
    for (const char* schema : schemas)
        output += runGSettings({ QStringLiteral("list-recursively"), QString::fromLatin1(schema) });
    QList<SystemShortcut> shortcuts = parse(output, layout);

    const QString customPaths
        = runGSettings({ QStringLiteral("get"), mediaKeys, QStringLiteral("custom-keybindings") });
    for (const QString& path : quotedStrings(customPaths)) {
        const QString binding = runGSettings({ QStringLiteral("get"),
            mediaKeys + QStringLiteral(".custom-keybinding:") + path, QStringLiteral("binding") });
        shortcuts += parse(binding, layout);
    }
    return shortcuts;
}

} // namespace platform

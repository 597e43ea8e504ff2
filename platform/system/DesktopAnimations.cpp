#include "platform/system/DesktopAnimations.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

namespace platform {

namespace {

// The value of `key` in the group `[group]` of a KConfig file; KConfig's "[$i]" style flags after the
// key are allowed.
std::optional<QString> kconfigValue(const QString& path, QStringView group, QStringView key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine(64 * 1024)).trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line.size() == group.size() + 2 && line.mid(1, group.size()) == group && line.endsWith(u']');
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || equals < 0)
            continue;
        QString name = line.left(equals).trimmed();
        if (const qsizetype flags = name.indexOf(u'['); flags >= 0)
            name.truncate(flags);
        if (name == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

} // namespace

bool DesktopAnimations::enabled()
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts);
    if (desktops.contains(u"KDE", Qt::CaseInsensitive)) {
        const QStringList files
            = QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, QStringLiteral("kdeglobals"));
        return fromKdeGlobals(files).value_or(true);
    }
    return fromGSettings().value_or(true);
}

std::optional<bool> DesktopAnimations::fromKdeGlobals(const QStringList& files)
{
    for (const QString& path : files) {
        const std::optional<QString> factor = kconfigValue(path, u"KDE", u"AnimationDurationFactor");
        bool isNumber = false;
        const double value = factor ? factor->toDouble(&isNumber) : 0;
        if (isNumber)
            return value > 0;
    }
    return std::nullopt;
}

std::optional<bool> DesktopAnimations::fromGSettings()
{
    QProcess process;
    process.start(QStringLiteral("gsettings"),
        { QStringLiteral("get"), QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations") });
    if (!process.waitForFinished(2000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        return std::nullopt;
    }
    const QByteArray answer = process.readAllStandardOutput().trimmed();
    if (answer == "true")
        return true;
    if (answer == "false")
        return false;
    return std::nullopt;
}

} // namespace platform

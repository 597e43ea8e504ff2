#include "platform/login/XdgAutostartLoginItem.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

namespace {

// The Exec value of a desktop entry: the path quoted for the Exec syntax, then escaped as a string value.
std::optional<QString> execValue(const QString& executablePath)
{
    for (const QChar c : executablePath) {
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    }
    QString quoted = QStringLiteral("\"");
    for (const QChar c : executablePath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    return quoted.replace(u'\\', QStringLiteral("\\\\"));
}

QString defaultEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/autostart/tolvar.desktop");
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem()
    : XdgAutostartLoginItem(defaultEntryPath(), QCoreApplication::applicationFilePath())
{ }

XdgAutostartLoginItem::XdgAutostartLoginItem(const QString& entryPath, const QString& executablePath)
    : m_entryPath(entryPath)
    , m_executablePath(executablePath)
{ }

std::optional<QString> XdgAutostartLoginItem::registerItem()
{
    if (m_executablePath.isEmpty() || !QFileInfo(m_executablePath).isAbsolute())
        return QStringLiteral("The application's executable is not known");
    const std::optional<QString> exec = execValue(m_executablePath);
    if (!exec)
        return QStringLiteral("The application's path cannot be written to an autostart entry");

    const QString directory = QFileInfo(m_entryPath).absolutePath();
    if (!QDir().mkpath(directory))
        return QStringLiteral("Cannot create the folder %1").arg(directory);

    QSaveFile file(m_entryPath);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Tolvar\n"
                                         "Comment=Meeting reminders\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(*exec);
    file.write(entry.toUtf8());
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

std::optional<QString> XdgAutostartLoginItem::unregisterItem()
{
    QFile file(m_entryPath);
    if (!file.exists())
        return std::nullopt;
    if (!file.remove())
        return file.errorString();
    return std::nullopt;
}

LoginItem::Status XdgAutostartLoginItem::status() const
{
    QFile file(m_entryPath);
    if (!QFileInfo(m_entryPath).isFile() || !file.open(QIODevice::ReadOnly))
        return Status::notRegistered;
    // Desktops switch an autostart entry off by editing it rather than removing it.
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inMainGroup || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = line.mid(equals + 1).trimmed();
        if ((key == u"Hidden" && value == u"true") || (key == u"X-GNOME-Autostart-enabled" && value == u"false"))
            return Status::notRegistered;
    }
    return Status::enabled;
}

} // namespace platform

#include "platform/login/XdgAutostartLoginItem.h"

#include "platform/files/WholeFileWriter.h"
#include "platform/login/ExecProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

// The Exec value of a desktop entry: the path quoted for the Exec syntax, then escaped as a string value.
// Empty, with `failure` set, for a path that no entry can start.
QString execValue(const QString& executablePath, QString& failure)
{
    if (executablePath.isEmpty() || !QFileInfo(executablePath).isAbsolute()) {
        failure = QStringLiteral("The application's executable is not known");
        return {};
    }
    for (const QChar c : executablePath) {
        if (c.category() == QChar::Other_Control) {
            failure = QStringLiteral("The application's path cannot be written to an autostart entry");
            return {};
        }
    }
    return ExecProgram::stored(executablePath);
}

// One line of an entry read in order: its key and value when it is a key of the main group; a group
// header sets `inMainGroup`.
std::optional<std::pair<QString, QString>> mainGroupEntry(const QString& line, bool& inMainGroup)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'[')) {
        inMainGroup = trimmed == u"[Desktop Entry]";
        return std::nullopt;
    }
    const qsizetype equals = trimmed.indexOf(u'=');
    if (!inMainGroup || equals < 0)
        return std::nullopt;
    return std::pair(trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed());
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
    QString failure;
    const QString exec = execValue(m_executablePath, failure);
    if (exec.isEmpty())
        return failure;
    return writeEntry(QStringLiteral("[Desktop Entry]\n"
                                     "Type=Application\n"
                                     "Name=Tolvar\n"
                                     "Comment=Meeting reminders\n"
                                     "Exec=%1\n"
                                     "Terminal=false\n"
                                     "X-GNOME-Autostart-enabled=true\n")
                          .arg(exec));
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
        const auto entry = mainGroupEntry(QString::fromUtf8(file.readLine()), inMainGroup);
        if (!entry)
            continue;
        const auto& [key, value] = *entry;
        if ((key == u"Hidden" && value == u"true") || (key == u"X-GNOME-Autostart-enabled" && value == u"false"))
            return Status::notRegistered;
    }
    return Status::enabled;
}

std::optional<QString> XdgAutostartLoginItem::followExecutable()
{
    if (status() != Status::enabled)
        return std::nullopt;
    QString failure;
    const QString exec = execValue(m_executablePath, failure);
    if (exec.isEmpty())
        return failure;
    QFile file(m_entryPath);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    file.close();
    // Only the program changes: whatever else the user or the desktop put in the entry stays.
    bool inMainGroup = false;
    for (QString& line : lines) {
        const auto entry = mainGroupEntry(line, inMainGroup);
        if (!entry || entry->first != u"Exec")
            continue;
        const QString& value = entry->second;
        qsizetype programLength = 0;
        if (!value.isEmpty()) {
            // A shell line or a wrapper starts what the user chose; arguments are the user's too.
            const std::optional<ExecProgram> program = ExecProgram::read(value);
            if (!program || !isOtherTolvarProgram(program->path))
                return std::nullopt;
            programLength = program->storedLength;
        }
        line = QStringLiteral("Exec=") + exec + value.mid(programLength);
        return writeEntry(lines.join(u'\n'));
    }
    // An entry that names no program starts nothing.
    return registerItem();
}

bool XdgAutostartLoginItem::isOtherTolvarProgram(const QString& path) const
{
    const QFileInfo program(path);
    const QFileInfo running(m_executablePath);
    if (!program.isAbsolute() || program.fileName() != running.fileName() || path == m_executablePath)
        return false;
    // A link to the running program, such as one in a folder on the PATH, is the user's choice.
    const QString canonical = program.canonicalFilePath();
    return canonical.isEmpty() || canonical != running.canonicalFilePath();
}

std::optional<QString> XdgAutostartLoginItem::writeEntry(const QString& entry) const
{
    const QString directory = QFileInfo(m_entryPath).absolutePath();
    if (!QDir().mkpath(directory))
        return QStringLiteral("Cannot create the folder %1").arg(directory);
    return WholeFileWriter::writeFile(m_entryPath, entry.toUtf8());
}

} // namespace platform

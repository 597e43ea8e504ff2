#include "platform/calendar/CalendarAccessFile.h"

#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace platform {

namespace {

constexpr qint64 maximumFileSize = 64 * 1024;

QString keyFor(EntityType type)
{
    return type == EntityType::event ? QStringLiteral("events") : QStringLiteral("reminders");
}

QJsonObject readObject(const QString& path)
{
    const std::optional<QByteArray> data = RegularFile::read(path, maximumFileSize);
    return data ? QJsonDocument::fromJson(*data).object() : QJsonObject();
}

} // namespace

CalendarAccessFile::CalendarAccessFile(QString path)
    : m_path(std::move(path))
{ }

QString CalendarAccessFile::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QLatin1String("/tolvar/calendar-access.json");
}

AuthorizationStatus CalendarAccessFile::status(EntityType type) const
{
    const QJsonValue value = readObject(m_path).value(keyFor(type));
    return value.toString() == QLatin1String("granted") ? AuthorizationStatus::fullAccess
                                                        : AuthorizationStatus::notDetermined;
}

bool CalendarAccessFile::grant(EntityType type)
{
    QJsonObject object = readObject(m_path);
    object.insert(keyFor(type), QStringLiteral("granted"));
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return false;
    if (const std::optional<QString> error = WholeFileWriter::writeFile(m_path, QJsonDocument(object).toJson())) {
        qWarning("Could not record the calendar access in %s: %s", qUtf8Printable(m_path), qUtf8Printable(*error));
        return false;
    }
    return true;
}

} // namespace platform

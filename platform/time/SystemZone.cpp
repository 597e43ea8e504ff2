#include "platform/time/SystemZone.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <ctime>

namespace platform {

namespace {

// Zone files take a few kilobytes; anything far larger is not one, and is not read whole.
constexpr qint64 largestZoneFile = 1 << 20;
constexpr int settleMs = 100;

} // namespace

SystemZone::SystemZone(QString file, QObject* parent)
    : QObject(parent)
    , m_file(std::move(file))
    , m_identity(identity(m_file))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &SystemZone::look);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    watch();
}

QByteArray SystemZone::identity(const QString& file)
{
    QCryptographicHash digest(QCryptographicHash::Sha256);
    digest.addData(qgetenv("TZ"));
    digest.addData(QByteArrayView("\0", 1));
    // Only a regular file is opened: anything else standing there (a FIFO) could hold the caller.
    const QFileInfo info(file);
    QFile zone(file);
    if (info.isFile() && zone.open(QIODevice::ReadOnly))
        digest.addData(zone.read(largestZoneFile));
    return digest.result();
}

void SystemZone::watch()
{
    // The watch of a replaced file stays with the file that went; the folder tells of the replacement.
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (QFileInfo::exists(m_file))
        m_watcher.addPath(m_file);
    const QString folder = QFileInfo(m_file).absolutePath();
    if (m_watcher.directories().isEmpty() && QFileInfo::exists(folder))
        m_watcher.addPath(folder);
}

void SystemZone::look()
{
    watch();
    QByteArray now = identity(m_file);
    if (now == m_identity)
        return;
    m_identity = std::move(now);
    // Qt asks the C library for the zone again before each local reading; other readers of it may not.
    tzset();
    Q_EMIT changed();
}

} // namespace platform

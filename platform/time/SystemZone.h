#pragma once

#include <QByteArray>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

namespace platform {

// The time zone local times are read in, as the C library takes it: TZ, or else the zone file that
// /etc/localtime is or links to. A traveller's `timedatectl set-timezone` replaces the link, a container may
// rewrite the file in place, and neither tells anyone: the file and its folder are watched.
class SystemZone : public QObject
{
    Q_OBJECT
public:
    static QString defaultFile() { return QStringLiteral("/etc/localtime"); }

    explicit SystemZone(QString file = defaultFile(), QObject* parent = nullptr);

    // What tells one zone from another: TZ, and a digest of `file` (of the zone file it links to).
    static QByteArray identity(const QString& file = defaultFile());

Q_SIGNALS:
    // The zone is another one; the C library reads local times in it already.
    void changed();

private:
    void watch();
    void look();

    QString m_file;
    QByteArray m_identity;
    QFileSystemWatcher m_watcher;
    // A file rewritten in place is empty for a moment: it is read once the writes have settled.
    QTimer m_settle;
};

} // namespace platform

#pragma once

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QSet>

namespace platform {

// Watches folders, without polling, for any change to what they hold: entries made, removed or
// renamed, and files written or touched in place. A folder's watch reports its files' changes, so
// thousands of calendar items cost one watch per folder, all in a single inotify instance.
class PathWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PathWatcher(QObject* parent = nullptr);
    ~PathWatcher() override;

    // Watches `folder` too. Safe on any thread, so that a read can watch each folder before it looks into it.
    void add(const QString& folder);
    // Watches exactly `folders` from now on. A folder that is gone is watched again once it is back
    // and passed in again.
    void setFolders(const QSet<QString>& folders);

Q_SIGNALS:
    void changed();

private:
    void readEvents();
    void watchLocked(const QString& folder);
    void forget(int descriptor);

    int m_fd = -1;
    QMutex m_mutex;
    QHash<QString, int> m_watches;
};

} // namespace platform

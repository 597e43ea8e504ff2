#include "platform/calendar/PathWatcher.h"

#include <QHash>

namespace platform {

namespace {

// Each one holds an inotify instance, of which a user has few (128 by default).
constexpr int watcherCount = 16;

} // namespace

PathWatcher::PathWatcher(QObject* parent)
    : QObject(parent)
{
    for (int i = 0; i < watcherCount; ++i) {
        auto watcher = std::make_unique<QFileSystemWatcher>();
        connect(watcher.get(), &QFileSystemWatcher::directoryChanged, this, &PathWatcher::changed);
        connect(watcher.get(), &QFileSystemWatcher::fileChanged, this, [this](const QString& path) {
            // A file replaced by a rename drops out of the watch; it is added again on the next setPaths.
            m_paths.remove(path);
            Q_EMIT changed();
        });
        m_watchers.push_back(std::move(watcher));
    }
}

QFileSystemWatcher& PathWatcher::watcherFor(const QString& path)
{
    return *m_watchers.at(qHash(path) % m_watchers.size());
}

void PathWatcher::setPaths(const QSet<QString>& paths)
{
    QHash<QFileSystemWatcher*, QStringList> gone;
    QHash<QFileSystemWatcher*, QStringList> added;
    for (const QString& path : std::as_const(m_paths)) {
        if (!paths.contains(path))
            gone[&watcherFor(path)].append(path);
    }
    for (const QString& path : paths) {
        if (!m_paths.contains(path))
            added[&watcherFor(path)].append(path);
    }
    for (auto it = gone.cbegin(); it != gone.cend(); ++it)
        it.key()->removePaths(it.value());
    for (auto it = added.cbegin(); it != added.cend(); ++it)
        it.key()->addPaths(it.value());
    m_paths = paths;
}

} // namespace platform

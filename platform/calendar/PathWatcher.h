#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSet>
#include <memory>
#include <vector>

namespace platform {

// Watches a large set of files and folders without polling. QFileSystemWatcher checks each added path
// against every path it already holds, so thousands of calendar items are spread over a few of them.
class PathWatcher : public QObject
{
    Q_OBJECT
public:
    explicit PathWatcher(QObject* parent = nullptr);

    // Watches exactly `paths` from now on.
    void setPaths(const QSet<QString>& paths);

Q_SIGNALS:
    void changed();

private:
    QFileSystemWatcher& watcherFor(const QString& path);

    std::vector<std::unique_ptr<QFileSystemWatcher>> m_watchers;
    QSet<QString> m_paths;
};

} // namespace platform

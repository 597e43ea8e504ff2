#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThread>
#include <atomic>

class QFileSystemWatcher;

namespace platform {

// Watches a folder and files in it from a thread of its own: a watch looks its file up, which on a slow folder (a
// network mount) takes as long as any call there, and the store that asks is on the main thread.
class FolderWatcher : public QObject
{
    Q_OBJECT
public:
    explicit FolderWatcher(const QString& folder, QObject* parent = nullptr);
    ~FolderWatcher() override;

    // Watches the folder and `files` in it, and no other file. A watch follows the file it was put on, which an
    // atomic replacement unlinks: a file in `replaced` is watched anew. Called from another thread than the
    // watcher's, which it holds until then; gives up between files once `stopping` holds. True when it put a watch on
    // a file, which may have changed since it was read.
    bool watch(const QStringList& files, const QStringList& replaced, const std::atomic<bool>& stopping);

Q_SIGNALS:
    // The folder or a watched file changed.
    void changed();

private:
    // On the watcher's thread.
    bool watchHere(const QStringList& files, const QStringList& replaced, const std::atomic<bool>& stopping);

    const QString m_folder;
    QThread m_thread;
    // Lives on the thread, which makes it at the first watch and deletes it as it ends.
    QObject m_onThread;
    QFileSystemWatcher* m_watcher = nullptr;
    // Files a watch could not be put on, logged once and tried again only once they are replaced.
    QSet<QString> m_unwatchable;
};

} // namespace platform

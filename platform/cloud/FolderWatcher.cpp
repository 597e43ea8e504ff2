#include "platform/cloud/FolderWatcher.h"

#include "platform/ThreadHandOver.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <future>

namespace platform {

FolderWatcher::FolderWatcher(const QString& folder, QObject* parent)
    : QObject(parent)
    , m_folder(folder)
{
    m_thread.setObjectName(QStringLiteral("FolderWatcher"));
    m_onThread.moveToThread(&m_thread);
    connect(
        &m_thread, &QThread::finished, &m_onThread,
        [this] {
            delete m_watcher;
            handOver(this);
        },
        Qt::DirectConnection);
    m_thread.start();
}

FolderWatcher::~FolderWatcher()
{
    m_thread.quit();
    m_thread.wait();
    takeOver(this);
}

bool FolderWatcher::watch(const QStringList& files, const QStringList& replaced, const std::atomic<bool>& stopping)
{
    if (stopping)
        return false;
    // Not a blocking queued call: Qt reads the caller's stack after the call returns, out of ThreadSanitizer's sight.
    std::promise<bool> added;
    std::future<bool> placed = added.get_future();
    QMetaObject::invokeMethod(&m_onThread,
        handedOver([this, files, replaced, &stopping, added = std::move(added)]() mutable {
            added.set_value(watchHere(files, replaced, stopping));
        }),
        Qt::QueuedConnection);
    try {
        return placed.get();
    } catch (const std::future_error&) {
        // Dropped unrun: the process is ending around a read left behind in the folder.
        return false;
    }
}

bool FolderWatcher::watchHere(const QStringList& files, const QStringList& replaced, const std::atomic<bool>& stopping)
{
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher;
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderWatcher::changed);
        connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &FolderWatcher::changed);
    }
    const QSet<QString> current(files.begin(), files.end());
    const QSet<QString> renewed(replaced.begin(), replaced.end());
    // Any other keeps its watch, so that a change it reports meanwhile is not lost.
    QStringList stale;
    for (const QString& path : m_watcher->files()) {
        if (!current.contains(path) || renewed.contains(path))
            stale.append(path);
    }
    if (!stale.isEmpty())
        m_watcher->removePaths(stale);
    // One that could not be watched is tried again once it is replaced, or gone and back.
    for (auto path = m_unwatchable.begin(); path != m_unwatchable.end();) {
        if (!current.contains(*path) || renewed.contains(*path))
            path = m_unwatchable.erase(path);
        else
            ++path;
    }
    const QStringList watchedList = m_watcher->files();
    const QSet<QString> watched(watchedList.begin(), watchedList.end());
    bool added = false;
    // One at a time, so that a quit waits for one lookup at most.
    for (const QString& path : files) {
        if (stopping)
            return added;
        if (watched.contains(path) || m_unwatchable.contains(path))
            continue;
        if (m_watcher->addPath(path)) {
            added = true;
            continue;
        }
        qWarning("Cannot watch the shared store's file %s; its changes are read at the next synchronisation",
            qUtf8Printable(path));
        m_unwatchable.insert(path);
    }
    if (m_watcher->directories().isEmpty() && !stopping && QFileInfo(m_folder).isDir())
        m_watcher->addPath(m_folder);
    return added;
}

} // namespace platform

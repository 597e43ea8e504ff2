#include "platform/calendar/PathWatcher.h"

#include <QFile>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

namespace {

// What happens to a folder's entries, the contents of its files included.
constexpr uint32_t folderEvents = IN_ONLYDIR | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY
    | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

} // namespace

PathWatcher::PathWatcher(QObject* parent)
    : QObject(parent)
    , m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (m_fd < 0) {
        qWarning("Cannot watch the calendar folders for changes: %s", strerror(errno));
        return;
    }
    const auto* notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &PathWatcher::readEvents);
}

PathWatcher::~PathWatcher()
{
    if (m_fd >= 0)
        close(m_fd);
}

void PathWatcher::add(const QString& folder)
{
    if (m_fd < 0)
        return;
    const QMutexLocker lock(&m_mutex);
    // Asked for even when known: a folder made anew under the same path needs a watch of its own.
    watchLocked(folder);
}

void PathWatcher::setFolders(const QSet<QString>& folders)
{
    if (m_fd < 0)
        return;
    const QMutexLocker lock(&m_mutex);
    for (auto it = m_watches.begin(); it != m_watches.end();) {
        if (folders.contains(it.key())) {
            ++it;
            continue;
        }
        const int descriptor = it.value();
        it = m_watches.erase(it);
        // Two paths to one folder (a symbolic link) share a descriptor.
        if (std::find(m_watches.cbegin(), m_watches.cend(), descriptor) == m_watches.cend())
            inotify_rm_watch(m_fd, descriptor);
    }
    for (const QString& folder : folders) {
        if (!m_watches.contains(folder))
            watchLocked(folder);
    }
}

void PathWatcher::watchLocked(const QString& folder)
{
    const int descriptor = inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), folderEvents);
    if (descriptor >= 0)
        m_watches.insert(folder, descriptor);
}

void PathWatcher::forget(int descriptor)
{
    const QMutexLocker lock(&m_mutex);
    m_watches.removeIf([descriptor](const auto& watch) { return watch.value() == descriptor; });
}

void PathWatcher::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool any = false;
    for (;;) {
        const ssize_t length = read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
            offset += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_MOVE_SELF) {
                // Still watched at its new place, which is no longer the path it was added under.
                inotify_rm_watch(m_fd, event->wd);
                forget(event->wd);
            } else if (event->mask & IN_IGNORED) {
                forget(event->wd);
            }
            any = any || !(event->mask & IN_IGNORED);
        }
    }
    if (any)
        Q_EMIT changed();
}

} // namespace platform

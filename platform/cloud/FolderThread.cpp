#include "platform/cloud/FolderThread.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace platform {

struct FolderThread::Queue
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> calls;
    bool busy = false;
    bool ownerGone = false;

    void run()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [this] { return ownerGone || !calls.empty(); });
            if (ownerGone)
                return;
            std::function<void()> call = std::move(calls.front());
            calls.pop_front();
            busy = true;
            lock.unlock();
            call();
            // What it held goes before the owner hears it ended.
            call = nullptr;
            lock.lock();
            busy = false;
            changed.notify_all();
        }
    }
};

FolderThread::FolderThread()
    : m_queue(std::make_shared<Queue>())
{
    // Detached: the owner never joins a thread that may be held in the kernel; it holds its queue until it ends.
    std::thread([queue = m_queue] { queue->run(); }).detach();
}

FolderThread::~FolderThread()
{
    const std::lock_guard lock(m_queue->mutex);
    m_queue->ownerGone = true;
    m_queue->calls.clear();
    m_queue->changed.notify_all();
}

void FolderThread::start(std::function<void()> call)
{
    const std::lock_guard lock(m_queue->mutex);
    m_queue->calls.push_back(std::move(call));
    m_queue->changed.notify_all();
}

bool FolderThread::waitForDone(QDeadlineTimer deadline)
{
    std::unique_lock lock(m_queue->mutex);
    const auto done = [this] { return !m_queue->busy && m_queue->calls.empty(); };
    if (deadline.isForever()) {
        m_queue->changed.wait(lock, done);
        return true;
    }
    return m_queue->changed.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()), done);
}

} // namespace platform

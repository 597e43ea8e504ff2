#pragma once

#include <QDeadlineTimer>
#include <functional>
#include <memory>

namespace platform {

// One thread for calls into the shared folder, which a network mount can hold in the kernel for minutes. Its owner may
// go without waiting for the call under way: the thread is then left behind, ends once that call returns, and runs no
// call that had not begun. A call must hold what it uses itself, not borrow it from the owner.
class FolderThread
{
public:
    FolderThread();
    // Waits for nothing; calls not begun are dropped.
    ~FolderThread();
    FolderThread(const FolderThread&) = delete;
    FolderThread& operator=(const FolderThread&) = delete;

    // Runs `call` after the calls started before it.
    void start(std::function<void()> call);
    // Holds the caller until every call started so far has ended, or until `deadline`; false when one has not.
    bool waitForDone(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

private:
    struct Queue;
    std::shared_ptr<Queue> m_queue;
};

} // namespace platform

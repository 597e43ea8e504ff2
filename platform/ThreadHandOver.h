#pragma once

#include <QDeadlineTimer>
#include <QMutex>
#include <QWaitCondition>
#include <utility>

// Qt is not built with ThreadSanitizer: the locks inside its pools, futures and queues order our threads out of its
// sight. These mark the places where our work passes between threads through them, so that it checks everything
// else. Outside a ThreadSanitizer build they are nothing.
#if defined(__SANITIZE_THREAD__)
#define TOLVAR_THREAD_SANITIZER
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TOLVAR_THREAD_SANITIZER
#endif
#endif

#ifdef TOLVAR_THREAD_SANITIZER
#include <sanitizer/tsan_interface.h>
#endif

namespace platform {

#ifdef TOLVAR_THREAD_SANITIZER
// What this thread wrote so far reaches the thread that next calls takeOver() with the same token.
inline void handOver(const void* token)
{
    __tsan_release(const_cast<void*>(token));
}

inline void takeOver(const void* token)
{
    __tsan_acquire(const_cast<void*>(token));
}

// A task for a pool, handed over with what it holds: wherever it is moved to, the thread that moves it on or runs
// it takes over what the last mover wrote.
template <typename Task> class HandedOver
{
public:
    explicit HandedOver(Task task)
        : m_task(std::move(task))
    {
        handOver(this);
    }

    HandedOver(HandedOver&& other)
        : m_task((takeOver(&other), std::move(other.m_task)))
    {
        handOver(this);
    }

    template <typename... Arguments> decltype(auto) operator()(Arguments&&... arguments)
    {
        takeOver(this);
        return m_task(std::forward<Arguments>(arguments)...);
    }

private:
    Task m_task;
};

template <typename Task> HandedOver<Task> handedOver(Task task)
{
    return HandedOver<Task>(std::move(task));
}

// QWaitCondition::wait(), which unlocks `mutex` and locks it again inside Qt.
inline bool waitOn(QWaitCondition& condition, QMutex& mutex, QDeadlineTimer deadline)
{
    __tsan_mutex_pre_unlock(&mutex, 0);
    __tsan_mutex_post_unlock(&mutex, 0);
    const bool woken = condition.wait(&mutex, deadline);
    __tsan_mutex_pre_lock(&mutex, 0);
    __tsan_mutex_post_lock(&mutex, 0, 0);
    return woken;
}
#else
inline void handOver(const void*)
{ }
inline void takeOver(const void*)
{ }
template <typename Task> Task handedOver(Task task)
{
    return task;
}
inline bool waitOn(QWaitCondition& condition, QMutex& mutex, QDeadlineTimer deadline)
{
    return condition.wait(&mutex, deadline);
}
#endif

} // namespace platform

#pragma once

#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

// Watches from another thread how long the main thread goes without a heartbeat, which a timer gives it every
// few milliseconds while its event loop runs. A main thread held for good ends the test at once.
class MainThreadWatch
{
public:
    MainThreadWatch()
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { beat(); });
        m_timer.start(5);
        beat();
        m_thread = std::thread([this] {
            while (!m_stop) {
                const qint64 gap = now() - m_lastBeat;
                m_longestGap = std::max(m_longestGap.load(), gap);
                if (gap > 60000) {
                    std::fprintf(stderr, "The main thread has been held for a minute\n");
                    std::_Exit(1);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }

    ~MainThreadWatch()
    {
        m_stop = true;
        m_thread.join();
    }

    void beat() { m_lastBeat = now(); }
    qint64 longestGapMSecs() const { return m_longestGap; }

private:
    static qint64 now()
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    QTimer m_timer;
    std::atomic<qint64> m_lastBeat = 0;
    std::atomic<qint64> m_longestGap = 0;
    std::atomic<bool> m_stop = false;
    std::thread m_thread;
};

#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <optional>

// Holds a store's read of the other devices' files inside the decode of one key, until the test releases it or the
// store gives the read up, so that a test can act while a read is under way without depending on its speed.
class ReadHold
{
public:
    // For the key that holds the read; on the caller's thread, or for a value other than `only`, it decodes at once.
    platform::UbiquitousKeyValueStore::StoppableDecoder decoder(std::optional<QByteArray> only = {})
    {
        return [this, only](const QByteArray& data, const std::function<bool()>& stopped) -> QVariant {
            if (QThread::currentThread() == QCoreApplication::instance()->thread() || (only && data != *only))
                return data;
            m_held = true;
            // Far above any need: a read that nothing releases or stops ends the test as a failure, not a hang.
            const QDeadlineTimer bound(std::chrono::minutes(2));
            while (!m_released && !stopped() && !bound.hasExpired())
                QThread::msleep(1);
            m_sawStop = m_sawStop || stopped();
            m_held = false;
            return data;
        };
    }

    bool isHeld() const { return m_held; }
    void release() { m_released = true; }
    // Whether the store gave up the held read.
    bool sawStop() const { return m_sawStop; }

private:
    std::atomic<bool> m_held = false;
    std::atomic<bool> m_released = false;
    std::atomic<bool> m_sawStop = false;
};

#pragma once

#include <QObject>

namespace platform {

// A timer whose time comes from the Clock that made it, so that tests can advance time by hand.
class Timer : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Fires `timeout` every `intervalSeconds` (once when single-shot); restarting replaces the schedule.
    virtual void start(double intervalSeconds) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    void setSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool isSingleShot() const { return m_singleShot; }

Q_SIGNALS:
    void timeout();

private:
    bool m_singleShot = false;
};

} // namespace platform

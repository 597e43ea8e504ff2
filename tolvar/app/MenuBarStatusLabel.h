#pragma once

#include "tolvar/app/StatusIconEngine.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace platform {
class Timer;
}

namespace tolvar {

class AppModel;

// The tray icon's face: green video while a meeting runs, orange bell while one is within its
// reminder lead time, else the calendar; its accessibility label becomes the icon's tooltip.
class MenuBarStatusLabel : public QObject
{
    Q_OBJECT
public:
    using Symbol = StatusIconEngine::Symbol;

    MenuBarStatusLabel(AppModel& appModel, QSystemTrayIcon& trayIcon, QObject* parent = nullptr);
    ~MenuBarStatusLabel() override;

    Symbol symbol() const { return m_symbol; }
    QString accessibilityLabel() const { return m_accessibilityLabel; }
    static QIcon icon(Symbol symbol);

    // Reads the model again; the tray icon is touched only when its face changed.
    void recompute();

private:
    // A meeting starting, ending or entering its lead time changes the face without the model
    // announcing anything, so the label looks again at the next such moment.
    void scheduleNextRecompute();

    AppModel& m_appModel;
    QSystemTrayIcon& m_trayIcon;
    std::unique_ptr<platform::Timer> m_timer;
    Symbol m_symbol = Symbol::calendar;
    QString m_accessibilityLabel;
    bool m_applied = false;
};

} // namespace tolvar

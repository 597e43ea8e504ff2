#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace tolvar {

class AppModel;
class SettingsView;

// Owns the one settings window: made on demand, brought forward while open, forgotten on close.
class SettingsWindowController : public QObject
{
    Q_OBJECT
public:
    explicit SettingsWindowController(QObject* parent = nullptr);
    ~SettingsWindowController() override;

    // Opens the window, or brings the open one to the front as it is; then the arguments go unused.
    void show(AppModel& appModel, std::function<void()> showOnboarding);
    void windowWillClose();

    QWidget* window() const { return m_window; }
    SettingsView* view() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
};

// Shows `window` and gives it the keyboard, in front of other applications' windows.
void bringToFront(QWidget& window);

} // namespace tolvar

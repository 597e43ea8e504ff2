#pragma once

#include <QWidget>
#include <functional>

namespace tolvar {

class PanelTransientHotkeys;

// The Quick Panel's window: frameless and above other windows, closed by Escape, by losing the
// focus unless pinned, and by the window manager's close. Each way out is one dismissal.
class QuickPanelWindow : public QWidget
{
    Q_OBJECT
public:
    explicit QuickPanelWindow(PanelTransientHotkeys& registry);

    // Runs once the panel has gone away.
    void setOnClose(std::function<void()> action) { m_onClose = std::move(action); }
    std::function<void()> onClose() const { return m_onClose; }
    bool isDismissing() const { return m_isDismissing; }
    bool isPinned() const { return m_isPinned; }
    // X11 has one layer above ordinary windows, so pinning changes the focus rule, not the layer.
    void setPinned(bool pinned);
    // Takes the panel away, once.
    void dismiss();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    PanelTransientHotkeys& m_registry;
    std::function<void()> m_onClose;
    bool m_isDismissing = false;
    bool m_isPinned = false;
};

} // namespace tolvar

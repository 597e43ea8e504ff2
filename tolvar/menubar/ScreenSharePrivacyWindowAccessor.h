#pragma once

#include <QWidget>

namespace tolvar {

// Whether the panel's window may appear in screen captures. X11 lets every client read every window,
// so there is nothing to set: the value is kept for the panel to read back, and changes nothing.
class ScreenSharePrivacyWindowAccessor : public QWidget
{
    Q_OBJECT
public:
    explicit ScreenSharePrivacyWindowAccessor(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        hide();
    }

    bool hideFromCapture() const { return m_hideFromCapture; }
    void setHideFromCapture(bool hide) { m_hideFromCapture = hide; }

private:
    bool m_hideFromCapture = false;
};

} // namespace tolvar

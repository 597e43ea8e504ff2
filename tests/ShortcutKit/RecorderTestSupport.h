#pragma once

#include "ShortcutKitTest.h"
#include "platform/hotkeys/KeyPositions.h"
#include "tests/support/Patience.h"
#include "tests/support/Screenshot.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace RecorderTestSupport {

// A key as the X server reports it: Qt's key and modifiers with the key's position as the native code.
struct TypedKey
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    qint64 carbonKeyCode;
};

inline const TypedKey ctrlShiftK { Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier, 40 };
inline const TypedKey ctrlAltM { Qt::Key_M, Qt::ControlModifier | Qt::AltModifier, 46 };
inline const TypedKey altM { Qt::Key_M, Qt::AltModifier, 46 };
inline const TypedKey shiftM { Qt::Key_M, Qt::ShiftModifier, 46 };
inline const TypedKey bareM { Qt::Key_M, Qt::NoModifier, 46 };
inline const TypedKey f5 { Qt::Key_F5, Qt::NoModifier, 96 };
inline const TypedKey escape { Qt::Key_Escape, Qt::NoModifier, 53 };
inline const TypedKey tab { Qt::Key_Tab, Qt::NoModifier, 48 };
inline const TypedKey backspace { Qt::Key_Backspace, Qt::NoModifier, 51 };
inline const TypedKey forwardDelete { Qt::Key_Delete, Qt::NoModifier, 117 };

// Presses and releases the key in the focused widget, shortcut override first.
inline void typeKey(const TypedKey& typed)
{
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    const auto scanCode = quint32(platform::evdevKeyCode(typed.carbonKeyCode).value() + platform::x11KeyCodeOffset);
    // Qt's own path for a real key: the focus widget may override the application's shortcuts first.
    if (qt_sendShortcutOverrideEvent(focus, 0, typed.key, typed.modifiers))
        return;
    QKeyEvent press(QEvent::KeyPress, typed.key, typed.modifiers, scanCode, 0, 0);
    QApplication::sendEvent(focus, &press);
    QKeyEvent release(QEvent::KeyRelease, typed.key, typed.modifiers, scanCode, 0, 0);
    QApplication::sendEvent(focus, &release);
}

// The alert the widget shows as a sheet, or null.
inline QMessageBox* alertOf(QWidget& widget)
{
    for (QMessageBox* box : widget.findChildren<QMessageBox*>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

// Answers the alert with the button of that text and lets it close.
inline void answer(QMessageBox& alert, const QString& buttonText)
{
    // As a user would: the sheet has the keyboard first.
    ASSERT_TRUE(QTest::qWaitForWindowActive(&alert, testsupport::patienceMs));
    for (QAbstractButton* button : alert.buttons()) {
        if (button->text().remove(u'&') == buttonText) {
            button->click();
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return;
        }
    }
    FAIL() << "no button " << buttonText.toStdString();
}

} // namespace RecorderTestSupport

#pragma once

#include "ShortcutKit/ShortcutKit.h"

#include <functional>

class QAbstractButton;
class QWidget;

// A named shortcut attached to a widget for the widget's lifetime.
namespace ShortcutKit {

// Runs `perform` with every press and release of the name's shortcut, anywhere on the desktop, while
// the widget lives.
void onKeyboardShortcut(QWidget& widget, const Name& name, std::function<void(EventType)> perform);
// Runs `perform` at every event of that type.
void onKeyboardShortcut(QWidget& widget, const Name& name, EventType type, std::function<void()> perform);

inline void onGlobalKeyboardShortcut(QWidget& widget, const Name& name, std::function<void(EventType)> perform)
{
    onKeyboardShortcut(widget, name, std::move(perform));
}
inline void onGlobalKeyboardShortcut(QWidget& widget, const Name& name, EventType type, std::function<void()> perform)
{
    onKeyboardShortcut(widget, name, type, std::move(perform));
}

// The button's own keyboard shortcut (inside the application) is the name's stored shortcut and
// follows it; while any recorder records the button has none.
void globalKeyboardShortcut(QAbstractButton& button, const Name& name);

} // namespace ShortcutKit

#pragma once

class QWidget;

namespace tolvar {

// The shortcut library's recorder for the Quick Panel shortcut. It writes what the user records to the
// shortcut store itself, which registers the key again.
QWidget* makeShortcutKitRecorder(QWidget* parent);

} // namespace tolvar

#pragma once

class QWidget;

namespace ShortcutKit {
class Name;
}

namespace tolvar {

// The shortcut library's recorder for one named shortcut. It writes what the user records to the
// shortcut store itself, which registers the key again, so it needs no change callback.
QWidget* makeShortcutKitRecorder(const ShortcutKit::Name& name, QWidget* parent);

} // namespace tolvar

#include "tolvar/settings/ShortcutKitRecorder.h"

#include <QLineEdit>

namespace tolvar {

// The slot for the shortcut library's recorder control, which is not in this tree yet: an empty,
// read-only field of the recorder's size holds its place so that the card keeps its layout.
QWidget* makeShortcutKitRecorder(QWidget* parent)
{
    auto* slot = new QLineEdit(parent);
    slot->setReadOnly(true);
    slot->setFixedWidth(160);
    return slot;
}

} // namespace tolvar

#include "tolvar/settings/ShortcutKitRecorder.h"

#include "ShortcutKit/RecorderCocoa.h"

namespace tolvar {

QWidget* makeShortcutKitRecorder(const ShortcutKit::Name& name, QWidget* parent)
{
    return new ShortcutKit::RecorderCocoa(name, {}, parent);
}

} // namespace tolvar

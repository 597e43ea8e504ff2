#include "tolvar/core/GlobalHotkeyService.h"

namespace tolvar {

void GlobalHotkeyService::fireToggleHandler(std::function<void()> toggle)
{
    QMetaObject::invokeMethod(this, std::move(toggle), Qt::QueuedConnection);
}

} // namespace tolvar

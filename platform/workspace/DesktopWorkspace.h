#pragma once

#include "platform/workspace/Workspace.h"

namespace platform {

// Opens links through QDesktopServices, that is xdg-open or the desktop's portal.
class DesktopWorkspace final : public Workspace
{
public:
    bool openUrl(const QUrl& url) override;
};

} // namespace platform

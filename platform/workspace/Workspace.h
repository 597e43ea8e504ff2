#pragma once

#include <QUrl>

namespace platform {

// Opens links with the desktop's handler for their scheme.
class Workspace
{
public:
    virtual ~Workspace() = default;

    // True when a handler accepted the link.
    virtual bool openUrl(const QUrl& url) = 0;
};

} // namespace platform

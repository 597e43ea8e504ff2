#pragma once

#include "platform/workspace/Workspace.h"

#include <QList>

namespace platform {

// Records the opened links for tests; opening succeeds unless a test says otherwise.
class MemoryWorkspace final : public Workspace
{
public:
    bool openUrl(const QUrl& url) override
    {
        m_openedUrls.append(url);
        return m_succeeds;
    }

    QList<QUrl> openedUrls() const { return m_openedUrls; }
    void setSucceeds(bool succeeds) { m_succeeds = succeeds; }

private:
    QList<QUrl> m_openedUrls;
    bool m_succeeds = true;
};

} // namespace platform

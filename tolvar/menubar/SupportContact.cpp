#include "tolvar/menubar/SupportContact.h"

#include "platform/workspace/Workspace.h"

namespace tolvar {

const QUrl& supportContactURL()
{
    static const QUrl url(QStringLiteral("mailto:support@tolvar.app?subject=Tolvar%20support"));
    return url;
}

void openSupportChat(platform::Workspace& workspace)
{
    workspace.openUrl(supportContactURL());
}

} // namespace tolvar

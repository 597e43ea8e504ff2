#include "tolvar/core/SupportContact.h"

#include "platform/workspace/Workspace.h"

namespace tolvar {

const QUrl& supportContactURL()
{
    static const QUrl url(QStringLiteral("https://tolvar.app/support"));
    return url;
}

void openSupportChat(platform::Workspace& workspace)
{
    workspace.openUrl(supportContactURL());
}

} // namespace tolvar

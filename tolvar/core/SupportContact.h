#pragma once

#include <QUrl>

namespace platform {
class Workspace;
}

namespace tolvar {

// Where the footer's and the settings' "Support" lead: one link for the life of the process.
const QUrl& supportContactURL();

// Opens the support link with the desktop; nothing is reported back.
void openSupportChat(platform::Workspace& workspace);

} // namespace tolvar

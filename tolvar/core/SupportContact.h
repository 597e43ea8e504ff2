#pragma once

#include <QUrl>

namespace platform {
class Workspace;
}

namespace tolvar {

// Where the user reaches the people behind Tolvar.
const QUrl& supportContactURL();

// Opens the support link with the desktop; nothing is reported back.
void openSupportChat(platform::Workspace& workspace);

} // namespace tolvar

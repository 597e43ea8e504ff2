#pragma once

#include <QString>
#include <optional>

namespace tolvar {

// What keeps Tolvar from its X11 display, in words for standard error; absent when it can connect.
// Qt alone would abort with advice to reinstall the program.
std::optional<QString> x11DisplayProblem();

} // namespace tolvar

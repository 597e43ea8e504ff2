#pragma once

#include <functional>

// Runs `check` where file permissions hold: in a child process that gives up root, when the test runs as root.
bool holdsWithoutPrivileges(const std::function<bool()>& check);

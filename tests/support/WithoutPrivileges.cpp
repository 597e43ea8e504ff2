#include "tests/support/WithoutPrivileges.h"

#include <sys/wait.h>
#include <unistd.h>

bool holdsWithoutPrivileges(const std::function<bool()>& check)
{
    if (geteuid() != 0)
        return check();
    const pid_t child = fork();
    if (child == 0) {
        const uid_t nobody = 65534;
        _exit(setgid(nobody) == 0 && setuid(nobody) == 0 && check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

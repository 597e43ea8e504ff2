#include "tests/support/FileSizeLimit.h"

#include <cstdio>
#include <cstdlib>

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    // Ignored, the signal turns into a failed write instead of the end of the test.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    if (sigaction(SIGXFSZ, &ignore, &m_previousAction) != 0 || getrlimit(RLIMIT_FSIZE, &m_previousLimit) != 0) {
        std::perror("FileSizeLimit");
        std::abort();
    }
    struct rlimit limit = m_previousLimit;
    limit.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
        std::perror("FileSizeLimit");
        std::abort();
    }
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previousLimit);
    sigaction(SIGXFSZ, &m_previousAction, nullptr);
}

#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, a write that would take a file of this process past `bytes` fails with EFBIG, as a write
// to a full disk fails with ENOSPC: the real writers meet a full disk without a file system of their own.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_previousLimit = {};
    struct sigaction m_previousAction = {};
};

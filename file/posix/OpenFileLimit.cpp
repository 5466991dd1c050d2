#include "file/OpenFileLimit.h"

#include <sys/resource.h>

void RaiseOpenFileLimit()
{
    struct rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit); // a refusal leaves the old limit, which still works
}

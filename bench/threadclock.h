#pragma once

#include <time.h>

// CPU time of the calling thread, in milliseconds: what the work costs, whatever else runs.
inline double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

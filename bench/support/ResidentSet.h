// The process's resident set as the kernel counts it, for the memory figures
// the logo benchmarks print.
#pragma once

#include <unistd.h>

#include <cstdio>

namespace bench
{

// Resident set size in KiB (0 when /proc/self/statm cannot be read).
inline long CurrentRssKiB()
{
    long pages = 0, resident = 0;
    if (FILE *f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace bench

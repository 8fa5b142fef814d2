#pragma once

#include <sys/resource.h>

namespace keepsift::bench {

// User and system seconds of the whole process so far, every thread included: on a shared
// machine a steadier figure than the time on the wall.
inline double processorSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace keepsift::bench

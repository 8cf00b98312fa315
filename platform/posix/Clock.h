// The monotonic clock's nanoseconds, which the backends' event loops pace themselves by.
#pragma once

#include <time.h>

#include <cstdint>

namespace posixclock {

inline std::int64_t NowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

}  // namespace posixclock

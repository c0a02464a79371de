#pragma once

// The clock a probe reads to tell how long its start took: the driver passes the
// moment just before its fork, on the system-wide monotonic clock.

#include <cstdlib>
#include <ctime>

namespace bench {

// The environment variable through which a probe learns when it was started.
inline constexpr const char *kStartVariable = "MEKIRA_PROBE_T0_NS";

inline long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// In a probe: nanoseconds since the driver started it, or -1 when not started by one.
inline long long nsSinceStart()
{
    const char *t0 = std::getenv(kStartVariable);
    return t0 ? monotonicNs() - std::atoll(t0) : -1;
}

} // namespace bench

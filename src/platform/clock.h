// The platform's monotonic clock: QueryPerformanceCounter on Windows, CLOCK_MONOTONIC elsewhere.
// The driver never reads it directly; its deadlines go through DriverClock (core/clock.h), which
// tests replace.
#ifndef ZAN_PLATFORM_CLOCK_H_
#define ZAN_PLATFORM_CLOCK_H_

#include <cstdint>

namespace zan::platform {

// Milliseconds since an arbitrary start; never goes back.
uint64_t MonotonicMilliseconds();

}  // namespace zan::platform

#endif  // ZAN_PLATFORM_CLOCK_H_

// The platform's own sleep: Sleep of the Windows kernel, nanosleep elsewhere. The driver never
// calls it directly; its waits go through DriverSleep (core/sleep.h), which tests replace.
#ifndef ZAN_PLATFORM_SLEEP_H_
#define ZAN_PLATFORM_SLEEP_H_

#include <cstdint>

namespace zan::platform {

// Waits at least `milliseconds`.
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace zan::platform

#endif  // ZAN_PLATFORM_SLEEP_H_

// The platform's own sleep: Sleep of the Windows kernel, nanosleep elsewhere. The driver never
// calls it directly; its waits go through DriverSleep (core/sleep.h), which tests replace.
#ifndef ZAN_PLATFORM_SLEEP_H_
#define ZAN_PLATFORM_SLEEP_H_

#include <cstdint>

namespace zan::platform {

// Waits at least `milliseconds`, and on Windows not a timer tick longer: the first call runs the
// system timer at 1 ms for as long as the library stays loaded.
void SleepMilliseconds(uint32_t milliseconds);

}  // namespace zan::platform

#endif  // ZAN_PLATFORM_SLEEP_H_

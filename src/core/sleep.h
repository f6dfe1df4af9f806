// Every wait of the driver goes through DriverSleep, so that tests can replace it and never wait
// for real time.
#ifndef ZAN_CORE_SLEEP_H_
#define ZAN_CORE_SLEEP_H_

#include <cstdint>

namespace zan {

using SleepFunction = void (*)(uint32_t milliseconds);

// Waits `milliseconds` through the installed function (the platform's sleep, platform/sleep.h, by
// default).
void DriverSleep(uint32_t milliseconds);

// Installs `function` in place of the platform's sleep; nullptr restores it. For tests.
void InstallSleepFunction(SleepFunction function);

}  // namespace zan

#endif  // ZAN_CORE_SLEEP_H_

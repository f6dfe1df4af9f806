// The time of the library's time limits, in milliseconds. Tests install a clock of their own so
// that no test waits for a time limit to pass.
#ifndef QUAXNET_CLOCK_H_
#define QUAXNET_CLOCK_H_

#include <cstdint>

namespace quaxnet {

using ClockFunction = uint64_t (*)();

uint64_t NowMilliseconds();

// Installs `clock` in place of the platform's; nullptr restores it.
void InstallClock(ClockFunction clock);

}  // namespace quaxnet

#endif  // QUAXNET_CLOCK_H_

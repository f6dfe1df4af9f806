// The clock of the driver's waits. A wait keeps its cadence (poll, then a short DriverSleep) and
// ends at a deadline on this clock, so that it lasts the driver time-out whatever the platform's
// shortest sleep is (one scheduler tick on a default Windows timer, a millisecond elsewhere).
//
// The clock is replaceable like the sleep (core/sleep.h): unit tests install one that advances
// when the driver sleeps, and never wait for real time. Not thread-safe: the host sends one
// request at a time.
#ifndef ZAN_CORE_CLOCK_H_
#define ZAN_CORE_CLOCK_H_

#include <cstdint>

namespace zan {

using ClockFunction = uint64_t (*)();

// Milliseconds on a monotonic clock: the installed function's, else the platform's.
uint64_t DriverClock();

// Installs `function` in place of the platform's clock; nullptr restores it. For tests.
void InstallClockFunction(ClockFunction function);

// A point `milliseconds` after the moment it is made, on DriverClock. A wait polls, then sleeps
// within the deadline, and stops once it has passed: no sleep goes past the deadline, and a limit
// of 0 or less still polls once. The waits for an answer poll once more when the deadline has
// passed, so that an answer that arrived during their last sleep is taken.
class Deadline {
 public:
  // One that has passed already, made without reading the clock: a static table of waits that
  // set their deadlines later costs nothing when the library loads.
  constexpr Deadline() = default;
  explicit Deadline(int32_t milliseconds);

  bool Passed() const;

  // Sleeps `milliseconds` through DriverSleep, but not past the deadline; not at all once it has
  // passed.
  void SleepWithin(uint32_t milliseconds) const;

 private:
  uint64_t start_ = 0;
  uint64_t limit_ = 0;
};

}  // namespace zan

#endif  // ZAN_CORE_CLOCK_H_

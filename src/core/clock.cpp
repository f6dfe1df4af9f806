#include "core/clock.h"

#include "core/sleep.h"
#include "platform/clock.h"

namespace zan {
namespace {
ClockFunction installed = nullptr;
}

uint64_t DriverClock() {
  return installed != nullptr ? installed() : platform::MonotonicMilliseconds();
}

void InstallClockFunction(ClockFunction function) {
  installed = function;
}

Deadline::Deadline(int32_t milliseconds)
    : start_(DriverClock()), limit_(milliseconds > 0 ? static_cast<uint64_t>(milliseconds) : 0) {}

bool Deadline::Passed() const {
  return DriverClock() - start_ >= limit_;
}

void Deadline::SleepWithin(uint32_t milliseconds) const {
  const uint64_t elapsed = DriverClock() - start_;
  if (elapsed >= limit_) return;
  const uint64_t remaining = limit_ - elapsed;
  DriverSleep(remaining < milliseconds ? static_cast<uint32_t>(remaining) : milliseconds);
}

}  // namespace zan

#include <windows.h>

#include "platform/clock.h"

namespace zan::platform {

// The performance counter, not GetTickCount64: the tick count moves in steps of the scheduler's
// tick (about 15.6 ms by default), which is as long as a short deadline.
uint64_t MonotonicMilliseconds() {
  static const uint64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return static_cast<uint64_t>(value.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const uint64_t ticks = static_cast<uint64_t>(now.QuadPart);
  // Whole seconds and the rest apart, so that the product never overflows.
  return ticks / frequency * 1000u + ticks % frequency * 1000u / frequency;
}

}  // namespace zan::platform

#include <windows.h>

#include <timeapi.h>

#include "platform/sleep.h"

namespace zan::platform {
namespace {

// Windows wakes a sleeping thread at its timer's ticks, 15.6 ms apart by default: Sleep(1) would
// last a tick, and a PLC that answers in 5 ms would cost a read 16 ms. From the first sleep until
// the library is unloaded the timer runs at 1 ms, and a sleep of 1 ms lasts about that.
class FineTimer {
 public:
  FineTimer() { ::timeBeginPeriod(kMilliseconds); }
  ~FineTimer() { ::timeEndPeriod(kMilliseconds); }
  FineTimer(const FineTimer&) = delete;
  FineTimer& operator=(const FineTimer&) = delete;

 private:
  static constexpr UINT kMilliseconds = 1;
};

}  // namespace

void SleepMilliseconds(uint32_t milliseconds) {
  static const FineTimer timer;
  ::Sleep(milliseconds);
}

}  // namespace zan::platform

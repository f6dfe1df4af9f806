#include <cerrno>
#include <ctime>

#include "platform/sleep.h"

namespace zan::platform {

void SleepMilliseconds(uint32_t milliseconds) {
  timespec remaining{static_cast<time_t>(milliseconds / 1000),
                     static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal must not shorten the wait: the polling loops count on its length.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace zan::platform

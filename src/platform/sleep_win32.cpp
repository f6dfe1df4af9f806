#include <windows.h>

#include "platform/sleep.h"

namespace zan::platform {

void SleepMilliseconds(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

}  // namespace zan::platform

#include <windows.h>

#include "entry/sleep.h"

namespace zan {

void PlatformSleep(uint32_t milliseconds) {
  ::Sleep(milliseconds);
}

}  // namespace zan

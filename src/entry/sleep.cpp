#include "entry/sleep.h"

namespace zan {
namespace {
SleepFunction installed = nullptr;
}

void DriverSleep(uint32_t milliseconds) {
  if (installed != nullptr) {
    installed(milliseconds);
  } else {
    PlatformSleep(milliseconds);
  }
}

void InstallSleepFunction(SleepFunction function) {
  installed = function;
}

}  // namespace zan

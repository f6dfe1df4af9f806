#include "core/sleep.h"

#include "platform/sleep.h"

namespace zan {
namespace {
SleepFunction installed = nullptr;
}

void DriverSleep(uint32_t milliseconds) {
  if (installed != nullptr) {
    installed(milliseconds);
  } else {
    platform::SleepMilliseconds(milliseconds);
  }
}

void InstallSleepFunction(SleepFunction function) {
  installed = function;
}

}  // namespace zan

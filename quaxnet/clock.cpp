#include "quaxnet/clock.h"

#include "quaxnet/net_socket.h"

namespace quaxnet {
namespace {

ClockFunction installed = nullptr;

}  // namespace

uint64_t NowMilliseconds() {
  if (installed != nullptr) return installed();
  return platform::MonotonicMicroseconds() / 1000u;
}

void InstallClock(ClockFunction clock) {
  installed = clock;
}

}  // namespace quaxnet

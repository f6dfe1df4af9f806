#include "quaxnet/clock.h"

#include "net/socket.h"

namespace quaxnet {
namespace {

ClockFunction installed = nullptr;

}  // namespace

uint64_t NowMilliseconds() {
  if (installed != nullptr) return installed();
  return net::MonotonicMicroseconds() / 1000u;
}

void InstallClock(ClockFunction clock) {
  installed = clock;
}

}  // namespace quaxnet

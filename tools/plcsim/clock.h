// The simulator's sense of time: when held answers leave and periodic heartbeats step. Tests put
// in a clock of their own and move it by hand, so that no test waits for real time.
#ifndef ZAN_PLCSIM_CLOCK_H_
#define ZAN_PLCSIM_CLOCK_H_

#include <cstdint>

#include "net/socket.h"

namespace plcsim {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary origin; never goes back.
  virtual uint64_t NowMilliseconds() = 0;
};

class SystemClock : public Clock {
 public:
  uint64_t NowMilliseconds() override { return net::MonotonicMicroseconds() / 1000u; }
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_CLOCK_H_

#include "serial/serial_line.h"

namespace zan {

// The tests run in order; the first that matches decides, so 0x3000 is an RTS handshake.
LineControl DtrControlFor(uint16_t lineFlags) {
  if ((lineFlags & 0x0001) != 0 || (lineFlags & 0x0100) != 0) return LineControl::kOn;
  if ((lineFlags & 0x8000) != 0) return LineControl::kHandshake;
  return LineControl::kOff;
}

LineControl RtsControlFor(uint16_t lineFlags) {
  if ((lineFlags & 0x0002) != 0 || (lineFlags & 0x0200) != 0) return LineControl::kOn;
  if ((lineFlags & 0x1000) != 0) return LineControl::kHandshake;
  if ((lineFlags & 0x2000) != 0) return LineControl::kToggle;
  return LineControl::kOff;
}

uint32_t ReadTimeoutMilliseconds(int32_t value) {
  if (value <= 0) return 0;
  constexpr int64_t kLargest = 0xFFFFFFFEll;
  int64_t milliseconds = static_cast<int64_t>(value) * 10;
  return static_cast<uint32_t>(milliseconds < kLargest ? milliseconds : kLargest);
}

}  // namespace zan

// What the stored line settings of a serial port mean, independent of the platform: the modem
// control lines that `lineFlags` selects, the fixed values of an open, and the read time-out.
#ifndef ZAN_SERIAL_SERIAL_LINE_H_
#define ZAN_SERIAL_SERIAL_LINE_H_

#include <cstdint>

namespace zan {

// The line settings of DriverState (baudRate to parity). Only the low byte of the last three
// counts.
struct LineSettings {
  uint16_t baudRate;  // bits per second
  uint16_t byteSize;  // data bits per character
  uint16_t stopBits;  // kOneStopBit, kOneAndHalfStopBits, kTwoStopBits
  uint16_t parity;    // kNoParity ... kSpaceParity
};

// Stop-bit and parity codes, in the Windows encoding that the host uses.
constexpr uint8_t kOneStopBit = 0;
constexpr uint8_t kOneAndHalfStopBits = 1;
constexpr uint8_t kTwoStopBits = 2;
constexpr uint8_t kNoParity = 0;
constexpr uint8_t kOddParity = 1;
constexpr uint8_t kEvenParity = 2;
constexpr uint8_t kMarkParity = 3;
constexpr uint8_t kSpaceParity = 4;

// How a modem control line (DTR or RTS) is driven while the port is open.
enum class LineControl : uint8_t {
  kOff,        // held low
  kOn,         // held high
  kHandshake,  // raised while the port can take input
  kToggle,     // raised while there is output to send (RTS only)
};

// The DTR control that `lineFlags` selects: 0x0001 or 0x0100 on, else 0x8000 handshake, else off.
LineControl DtrControlFor(uint16_t lineFlags);

// The RTS control that `lineFlags` selects: 0x0002 or 0x0200 on, else 0x1000 handshake, else
// 0x2000 toggle, else off.
LineControl RtsControlFor(uint16_t lineFlags);

// Fixed values of every open: the read time-out until one is set, the character that would stand
// for a byte received in error (its replacement is off), and the queue sizes.
constexpr uint32_t kOpenReadTimeoutMilliseconds = 1000;
constexpr uint8_t kErrorCharacter = 0xFC;
constexpr uint32_t kQueueBytes = 1200;

// The total read time-out of DriverState::timeout `value`: value x 10 ms. A negative value counts
// as 0, and the product is held below 0xFFFFFFFF (MAXDWORD, which Windows reserves in its
// time-outs) instead of overflowing.
uint32_t ReadTimeoutMilliseconds(int32_t value);

}  // namespace zan

#endif  // ZAN_SERIAL_SERIAL_LINE_H_

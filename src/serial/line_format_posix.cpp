#include "serial/line_format_posix.h"

namespace zan {
namespace {

struct SpeedEntry {
  uint16_t baudRate;
  speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},     {75, B75},       {110, B110},     {134, B134},     {150, B150},   {200, B200},
    {300, B300},   {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400}, {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600},
};

}  // namespace

bool SpeedFor(uint16_t baudRate, speed_t* speed) {
  for (const SpeedEntry& entry : kSpeeds) {
    if (entry.baudRate == baudRate) {
      *speed = entry.speed;
      return true;
    }
  }
  return false;
}

// The combinations of stop bits and data bits are those that the Windows encoding allows.
bool FormatFlags(const LineSettings& settings, tcflag_t* flags) {
  const uint8_t byteSize = static_cast<uint8_t>(settings.byteSize);
  const uint8_t stopBits = static_cast<uint8_t>(settings.stopBits);
  const uint8_t parity = static_cast<uint8_t>(settings.parity);
  tcflag_t bits;
  switch (byteSize) {
    case 5:
      bits = CS5;
      break;
    case 6:
      bits = CS6;
      break;
    case 7:
      bits = CS7;
      break;
    case 8:
      bits = CS8;
      break;
    default:
      return false;
  }
  if (stopBits == kOneAndHalfStopBits && byteSize == 5) {
    bits |= CSTOPB;
  } else if (stopBits == kTwoStopBits && byteSize != 5) {
    bits |= CSTOPB;
  } else if (stopBits != kOneStopBit) {
    return false;
  }
  switch (parity) {
    case kNoParity:
      break;
    case kOddParity:
      bits |= PARENB | PARODD;
      break;
    case kEvenParity:
      bits |= PARENB;
      break;
    case kMarkParity:
      bits |= PARENB | CMSPAR | PARODD;
      break;
    case kSpaceParity:
      bits |= PARENB | CMSPAR;
      break;
    default:
      return false;
  }
  *flags = bits;
  return true;
}

}  // namespace zan

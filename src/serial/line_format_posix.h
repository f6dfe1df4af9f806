// The termios form of the stored line settings: the speed and the character-format bits of
// c_cflag. Used by the POSIX serial port.
#ifndef ZAN_SERIAL_LINE_FORMAT_POSIX_H_
#define ZAN_SERIAL_LINE_FORMAT_POSIX_H_

#include <termios.h>

#include "serial/serial_line.h"

namespace zan {

// The c_cflag bits that FormatFlags sets or clears.
constexpr tcflag_t kFormatMask = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR;

// The termios speed of `baudRate` (50 to 57600, the standard rates a 16-bit value can name), or
// false for any other rate.
bool SpeedFor(uint16_t baudRate, speed_t* speed);

// The data bits, stop bits and parity of `settings` (low bytes only) as c_cflag bits within
// kFormatMask, or false for settings that termios cannot express. One and a half stop bits exist
// only with five data bits, where the UART gives them for CSTOPB; two stop bits only with six to
// eight. Mark and space parity use CMSPAR.
bool FormatFlags(const LineSettings& settings, tcflag_t* flags);

}  // namespace zan

#endif  // ZAN_SERIAL_LINE_FORMAT_POSIX_H_

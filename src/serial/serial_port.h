// The platform's serial port devices: open one by name with its line settings, set its read
// time-out, close it. One implementation per platform, chosen by the build:
//
// - Windows (serial_port_win32.cpp): CreateFileA, GetCommState / SetCommState, SetCommTimeouts,
//   SetupComm, CloseHandle. The handle is the HANDLE.
// - POSIX (serial_port_posix.cpp): open and termios; a name that is no path (one that begins
//   with "/" or ".") is looked up under /dev: ttyUSB0 and pts/2 alike. The handle is the file
//   descriptor. There is no queue size to set, and the modem lines can only be held high or low:
//   handshake counts as high (the port is ready for input when it opens) and toggle as low (nothing
//   is being sent). Parity checking leaves no byte received in error as it came; such bytes are
//   read as 0.
//
// On both, the name "NUL" opens the null device and configures nothing. A port is opened for
// reading and writing and is not shared: a second open of a port that is open fails. Handles are
// never 0. Not thread-safe; the host sends one request at a time.
#ifndef ZAN_SERIAL_SERIAL_PORT_H_
#define ZAN_SERIAL_SERIAL_PORT_H_

#include <cstdint>

#include "serial/serial_line.h"

namespace zan {

using PortHandle = uint32_t;

// Opens the port `name` (zero-terminated) and configures it: total read time-out 1000 ms and no
// write time-out, the line settings, binary mode, parity checking, no software or hardware flow
// control, DTR and RTS from `lineFlags` (serial_line.h), queues of 1200 bytes. Settings that the
// platform or the device cannot take make the open fail: a speed or data-bit count that the
// platform does not have, or (POSIX) any setting the device changes when it is written, such as
// parity and seven data bits on a pseudo-terminal, which carries eight bits without parity. On
// failure returns false and nothing stays open; on success stores the handle in `handle`.
bool OpenSerialPort(const char* name, const LineSettings& settings, uint16_t lineFlags,
                    PortHandle* handle);

// Sets the total read time-out of the port to ReadTimeoutMilliseconds(value), unless it already
// has it. Returns the previous time-out in units of 10 ms, or 0 when the port's time-outs cannot be
// read or written (the null device has none).
int32_t SetReadTimeout(PortHandle handle, int32_t value);

// Closes the port. False when the platform refuses, in which case the handle is still open and
// the close may be tried again.
bool CloseSerialPort(PortHandle handle);

}  // namespace zan

#endif  // ZAN_SERIAL_SERIAL_PORT_H_

// Why a serial port command of the driver returned 2, and the line settings a port has now. The
// driver reports only the result, so the host tries the device itself, the way the driver opens
// it, and says what the system answered or which setting the device did not take.
// commands/port_diagnosis_posix.cpp and commands/port_diagnosis_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_
#define ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_

#include <cstdint>
#include <string>

#include "serial/serial_line.h"

namespace zanhost {

// Why the port `name` (the name the instance's state holds) does not open with the line settings
// `line`: "configure the port first" for no name, "/dev/ttyUSB0: No such file or directory",
// "in use by another program", "not a serial port", the setting that the device did not take
// ("a pseudo-terminal carries 8 data bits without parity"); "" when it opens now.
std::string WhyPortDoesNotOpen(const std::string& name, const zan::LineSettings& line);

// The line settings that the port `name` has now, in the host's codes (speed, data bits, stop-bit
// and parity codes). False when it cannot be opened or read, or its speed has no 16-bit number.
bool CurrentLineSettings(const std::string& name, zan::LineSettings& line);

// "19200 bits per second, 8 data bits, even parity, 1 stop bit".
std::string DescribeLine(const zan::LineSettings& line);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_

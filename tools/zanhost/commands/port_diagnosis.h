// Why a serial port command of the driver returned 2: the driver reports only the result, so the
// host tries the device itself, the way the driver opens it, and says what the system answered.
// commands/port_diagnosis_posix.cpp and commands/port_diagnosis_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_
#define ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_

#include <cstdint>
#include <string>

namespace zanhost {

// Why the port `name` does not open with the line settings: "/dev/ttyUSB0: no such file or
// directory", "in use by another program", "not a serial port", "the line settings were refused
// (19200 bits per second)"; "" when it opens now.
std::string WhyPortDoesNotOpen(const std::string& name, uint16_t baudRate);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_COMMANDS_PORT_DIAGNOSIS_H_

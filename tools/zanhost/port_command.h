// zanhost port: the serial port commands of one driver instance (ConfigurePort, OpenPort,
// ClosePort), sent in the order given on one state block, to try a port by hand.
#ifndef ZAN_TOOLS_ZANHOST_PORT_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_PORT_COMMAND_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "host_session.h"

namespace zanhost {

struct PortOptions {
  HostOptions host;                  // the driver, the instance, -v and -q
  std::vector<std::string> actions;  // "configure", "open", "close"
  std::string name = "NUL";
  int32_t timeout = 100;  // the read time-out is this x 10 ms
  uint16_t baudRate = 9600;
  uint16_t byteSize = 8;
  uint16_t stopBits = 0;
  uint16_t parity = 0;
  uint16_t lineFlags = 0;
};

// Adds the subcommand "port" to `app`, its options bound to `options`.
CLI::App* AddPortCommand(CLI::App& app, PortOptions& options);

// Sends the actions; prints each result with the port handle, and for a result of 2 one line on
// standard error that says why. 0 when every action returned 0, else the exit code of the first
// result that was not.
int RunPort(const PortOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PORT_COMMAND_H_

// The options that every command driving the driver shares, and the host type named on the command
// line.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_HOST_OPTIONS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_HOST_OPTIONS_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>

#include "session/host_session.h"

namespace zanhost {

// The options every PLC command takes: -d/--dir, -i/--instance, -t/--timeout, -v, -q; the
// driver file comes from the application's --driver.
void AddHostOptions(CLI::App* command, HostOptions& options);

// The --reconnect option of poll and bridge.
void AddReconnectOption(CLI::App* command, double& seconds);

// Makes a host type name into its code; prints the error line and returns false when unknown.
bool HostTypeOrComplain(const std::string& name, int32_t& code);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_HOST_OPTIONS_H_

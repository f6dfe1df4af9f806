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

// --config FILE for the long-running commands (poll, bridge, bench): their options from a file of
// "option = value" lines (TOML as CLI11 reads it: a text in quotes, a flag "plain = true", #
// comments), each option by its long name without the dashes. The keys at the top of the file
// belong to the command that runs; a section [poll] or [bridge] holds another command's. The
// command line wins over the file; a key that names no option is refused. Relative paths in the
// file are taken from the current folder, as on the command line. AddConfigFileOption sets the
// option up on the application; AcceptConfigFile lets a command take it after its name.
void AddConfigFileOption(CLI::App& app);
void AcceptConfigFile(CLI::App* command);

// The --reconnect option of poll and bridge.
void AddReconnectOption(CLI::App* command, double& seconds);

// Makes a host type name into its code; prints the error line and returns false when unknown.
bool HostTypeOrComplain(const std::string& name, int32_t& code);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_HOST_OPTIONS_H_

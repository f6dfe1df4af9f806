// zanhost init: Init of one instance from its configuration file, with every log line the driver
// writes: the version line, the PLC table it read and the outcome of each connection. It ends with
// how many of the configured PLCs are connected, and exits 2 when any is not.
#include <cstdio>

#include "commands/commands.h"
#include "output/result_words.h"
#include "session/failure_report.h"
#include "session/host_options.h"
#include "session/quaxnet_port.h"

namespace zanhost {

CLI::App* AddInitCommand(CLI::App& app, HostOptions& options) {
  CLI::App* init = app.add_subcommand(
      "init",
      "initialise an instance from its configuration file and connect its PLCs; exit 2 when any "
      "PLC did not connect");
  AddHostOptions(init, options);
  return init;
}

int RunInit(const HostOptions& options) {
  HostOptions shown = options;
  shown.verbose = !options.quiet;
  HostSession session(shown);
  if (!session.Init()) return kExitSetup;
  const HostSession::Connections connections = session.CountConnections();
  const std::size_t missing = connections.unreachable.size();
  std::printf("Init of instance %d returned 0 (%s): %zu of %d PLCs connected\n", options.instance,
              session.configurationPath().c_str(), connections.configured - missing,
              connections.configured);
  if (missing == 0) return kExitOk;
  // One line a PLC that did not connect, with the step at which it failed when the transport
  // library tells it; a hint on the first when none connected at the ISO-on-TCP port.
  const bool noneConnected = static_cast<int>(missing) == connections.configured;
  const char* hint = noneConnected && ConnectionPort() == kIsoOnTcpPort
                         ? "; is QUAXNET_PORT set to the simulator's port?"
                         : "";
  for (int plc : connections.unreachable) {
    std::fprintf(stderr, "zanhost: %s not connected%s%s\n", session.DescribeEndpoint(plc).c_str(),
                 WhyNotConnected(session, plc).c_str(), hint);
    hint = "";
  }
  return kExitUnreachable;
}

}  // namespace zanhost

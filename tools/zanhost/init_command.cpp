// zanhost init: Init of one instance from its configuration file, with every log line the driver
// writes: the version line, the PLC table it read and the outcome of each connection. It ends with
// how many of the configured PLCs are connected, and exits 2 when any is not.
#include <cstdio>

#include "host_commands.h"
#include "quaxnet_port.h"
#include "result_words.h"

namespace zanhost {
namespace {

constexpr std::size_t kPlcsNamed = 4;  // in the line of PLCs not connected; the rest are counted

}  // namespace

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
  std::string names;
  for (std::size_t i = 0; i < missing && i < kPlcsNamed; ++i) {
    names += (i == 0 ? "" : ", ") + session.DescribeEndpoint(connections.unreachable[i]);
  }
  if (missing > kPlcsNamed) names += " and " + std::to_string(missing - kPlcsNamed) + " more";
  const bool noneConnected = static_cast<int>(missing) == connections.configured;
  std::fprintf(stderr, "zanhost: %s not connected: %s%s\n",
               missing == 1 ? "1 PLC" : (std::to_string(missing) + " PLCs").c_str(), names.c_str(),
               noneConnected && ConnectionPort() == kIsoOnTcpPort
                   ? "; is QUAXNET_PORT set to the simulator's port?"
                   : "");
  return kExitUnreachable;
}

}  // namespace zanhost

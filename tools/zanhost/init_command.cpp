// zanhost init: Init of one instance from its configuration file, with every log line the driver
// writes: the version line, the PLC table it read and the outcome of each connection.
#include <cstdio>

#include "host_commands.h"
#include "result_words.h"

namespace zanhost {

CLI::App* AddInitCommand(CLI::App& app, HostOptions& options) {
  CLI::App* init = app.add_subcommand(
      "init", "initialise an instance from its configuration file and connect its PLCs");
  AddHostOptions(init, options);
  return init;
}

int RunInit(const HostOptions& options) {
  HostOptions shown = options;
  shown.verbose = !options.quiet;
  HostSession session(shown);
  if (!session.Init()) return kExitSetup;
  std::printf("Init of instance %d returned 0 (%s)\n", options.instance,
              session.configurationPath().c_str());
  return kExitOk;
}

}  // namespace zanhost

// zanhost: a command-line stand-in for the SCADA host. It loads the driver library as the host
// does, drives it through ZanMain and shows what the driver does. This file only wires the
// commands (one file each) into the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "bench/command.h"
#include "bridge/command.h"
#include "commands/commands.h"
#include "demo/command.h"
#include "output/result_words.h"
#include "plan/command.h"
#include "platform/library_names.h"
#include "poll/command.h"
#include "probe/command.h"
#include "session/driver_library.h"
#include "session/host_options.h"

int main(int argc, char** argv) {
  CLI::App app{"zanhost: drives the ZanDOR driver library as the SCADA host does"};
  app.require_subcommand(1);
  // Like every failure of zanhost, a usage error is one line.
  app.failure_message([](const CLI::App*, const CLI::Error& error) {
    return "zanhost: " + std::string(error.what()) + " (--help shows the usage)\n";
  });
  std::string driverFile = zan::platform::kDriverLibrary;
  app.add_option("--driver", driverFile, "driver library to load (beside zanhost by default)")
      ->capture_default_str();
  zanhost::AddConfigFileOption(app);

  zanhost::InfoOptions infoOptions;
  CLI::App* info = zanhost::AddInfoCommand(app, infoOptions);
  zanhost::CheckOptions checkOptions;
  CLI::App* check = zanhost::AddCheckCommand(app, checkOptions);
  zanhost::HostOptions initOptions;
  CLI::App* init = zanhost::AddInitCommand(app, initOptions);
  zanhost::ParseOptions parseOptions;
  CLI::App* parse = zanhost::AddParseCommand(app, parseOptions);
  zanhost::ReadOptions readOptions;
  CLI::App* read = zanhost::AddReadCommand(app, readOptions);
  zanhost::WriteOptions writeOptions;
  CLI::App* write = zanhost::AddWriteCommand(app, writeOptions);
  zanhost::PollOptions pollOptions;
  CLI::App* poll = zanhost::AddPollCommand(app, pollOptions);
  zanhost::PlanOptions planOptions;
  CLI::App* plan = zanhost::AddPlanCommand(app, planOptions);
  zanhost::BridgeOptions bridgeOptions;
  CLI::App* bridge = zanhost::AddBridgeCommand(app, bridgeOptions);
  zanhost::WarmStartOptions warmStartOptions;
  CLI::App* warmStart = zanhost::AddWarmStartCommand(app, warmStartOptions);
  zanhost::StatusOptions statusOptions;
  CLI::App* status = zanhost::AddStatusCommand(app, statusOptions);
  zanhost::ProbeOptions probeOptions;
  CLI::App* probe = zanhost::AddProbeCommand(app, probeOptions);
  zanhost::DemoOptions demoOptions;
  CLI::App* demo = zanhost::AddDemoCommand(app, demoOptions);
  zanhost::BenchOptions benchOptions;
  CLI::App* bench = zanhost::AddBenchCommand(app, benchOptions);
  zanhost::PortOptions portOptions;
  CLI::App* port = zanhost::AddPortCommand(app, portOptions);
  zanhost::EditOptions editOptions;
  CLI::App* edit = zanhost::AddEditCommand(app, editOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Every usage error exits 106 or above: CLI11 gives a value an option does not take (-n 0) a
    // code below, which would read as one of its construction errors.
    const int code = app.exit(error);
    return code > 0 && code < zanhost::kExitUsage ? zanhost::kExitUsage : code;
  }

  initOptions.driverFile = parseOptions.host.driverFile = readOptions.host.driverFile =
      writeOptions.host.driverFile = pollOptions.host.driverFile = planOptions.host.driverFile =
          bridgeOptions.host.driverFile = warmStartOptions.host.driverFile =
              statusOptions.host.driverFile = demoOptions.driverFile = benchOptions.driverFile =
                  editOptions.host.driverFile = portOptions.host.driverFile =
                      probeOptions.host.driverFile = driverFile;

  if (*info) return zanhost::RunInfo(driverFile, infoOptions);
  if (*check) return zanhost::RunCheck(checkOptions);
  if (*init) return zanhost::RunInit(initOptions);
  if (*parse) return zanhost::RunParse(parseOptions);
  if (*read) return zanhost::RunRead(readOptions);
  if (*write) return zanhost::RunWrite(writeOptions);
  if (*poll) return zanhost::RunPoll(pollOptions);
  if (*plan) return zanhost::RunPlan(planOptions);
  if (*bridge) return zanhost::RunBridge(bridgeOptions);
  if (*warmStart) return zanhost::RunWarmStart(warmStartOptions);
  if (*status) return zanhost::RunStatus(statusOptions);
  if (*probe) return zanhost::RunProbe(probeOptions);
  if (*demo) return zanhost::RunDemo(demoOptions);
  if (*bench) return zanhost::RunBench(benchOptions);
  if (*port) return zanhost::RunPort(portOptions);
  if (*edit) return zanhost::RunEdit(editOptions);
  return zanhost::kExitSetup;
}

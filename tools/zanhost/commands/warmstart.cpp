// zanhost warmstart: the host's warm start of one PLC (command 2), which reconnects a PLC that
// has no connection and restarts the connections it has, and those of a failed backup.
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "session/tag_report.h"

namespace zanhost {

CLI::App* AddWarmStartCommand(CLI::App& app, WarmStartOptions& options) {
  CLI::App* warm = app.add_subcommand(
      "warmstart", "warm start of one PLC: reconnect it, or restart its connections");
  warm->add_option("plc", options.plc, "PLC number")->required()->check(CLI::Range(1, 511));
  warm->add_flag("--json", options.json, "one JSON object instead of the text");
  AddHostOptions(warm, options.host);
  return warm;
}

int RunWarmStart(const WarmStartOptions& options) {
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  int32_t plc = options.plc;
  const int32_t result = session.WarmStart(plc);
  session.TakeLog();
  if (options.json) {
    JsonObject object;
    object.Add("plc", options.plc)
        .Add("restarted", plc)
        .Add("result", result)
        .Add("resultWord", ResultWord(result));
    std::printf("%s\n", object.str().c_str());
  } else if (result == 0) {
    std::printf(
        "warm start of %s: done%s\n", session.DescribePlc(options.plc).c_str(),
        plc != options.plc ? (", and of its backup " + session.DescribePlc(plc)).c_str() : "");
  }
  if (result != 0) {
    // The driver's line alone ("PlcConnect Failed, Plc #7, rc = 0") hides that there is no such
    // PLC.
    const DriverState* state = session.state();
    const bool configured = state != nullptr && zan::IsConfiguredPlc(*state, options.plc);
    std::string why = configured ? session.ProblemOf(plc)
                                 : UnconfiguredPlcWords(session, options.plc, kPlcCount - 1);
    if (!configured && !session.ProblemOf(plc).empty()) why += " (" + session.ProblemOf(plc) + ")";
    std::fprintf(stderr, "zanhost: warm start of %s restarted no connection (result %d)%s\n",
                 session.DescribePlc(options.plc).c_str(), result,
                 why.empty() ? "" : (": " + why).c_str());
  }
  return ExitCodeForResult(result);
}

}  // namespace zanhost

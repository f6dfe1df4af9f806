// zanhost warmstart: the host's warm start of one PLC (command 2), which reconnects a PLC that
// has no connection and restarts the connections it has, and those of a failed backup. It says
// which PLC came back and which is still down (session/warm_start_report.h), and exits 2 when the
// PLC it names is still down although the driver answered 0 for its backup.
#include <algorithm>
#include <cstdio>

#include "commands/commands.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/failure_report.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "session/warm_start_report.h"

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
  const WarmStartReport report = ReportWarmStart(session, options.plc, plc);
  const bool namedDown =
      std::find(report.down.begin(), report.down.end(), options.plc) != report.down.end();
  if (options.json) {
    JsonObject object;
    object.Add("plc", options.plc)
        .Add("restarted", plc)
        .Add("result", result)
        .Add("resultWord", ResultWord(result));
    std::vector<std::string> back;
    std::vector<std::string> down;
    for (int number : report.back)
      back.push_back(std::to_string(number));
    for (int number : report.down)
      down.push_back(std::to_string(number));
    object.AddRaw("back", JsonArray(back))
        .AddRaw("down", JsonArray(down))
        .Add("words", report.words);
    std::printf("%s\n", object.str().c_str());
  } else if (result == 0) {
    std::printf("warm start of %s: %s\n", session.DescribePlc(options.plc).c_str(),
                report.words.c_str());
  }
  if (result == 0 && namedDown) {
    // The driver's 0 is for the backup; the PLC asked for is not back.
    std::fprintf(stderr, "zanhost: %s still down after its warm start%s\n",
                 session.DescribeEndpoint(options.plc).c_str(),
                 WhyNotConnected(session, options.plc).c_str());
    return kExitUnreachable;
  }
  if (result != 0) {
    // The driver's line alone ("PlcConnect Failed, Plc #7, rc = 0") hides that there is no such
    // PLC.
    const DriverState* state = session.state();
    const bool configured = state != nullptr && zan::IsConfiguredPlc(*state, options.plc);
    std::string why =
        configured ? report.downWords : UnconfiguredPlcWords(session, options.plc, kPlcCount - 1);
    std::string lines;
    for (const std::string& line : report.problems)
      lines += (lines.empty() ? "" : "; ") + line;
    if (configured && !lines.empty()) why += (why.empty() ? "" : " ") + ("(" + lines + ")");
    if (!configured && !session.ProblemOf(plc).empty()) why += " (" + session.ProblemOf(plc) + ")";
    std::fprintf(stderr, "zanhost: warm start of %s restarted no connection (result %d)%s\n",
                 session.DescribePlc(options.plc).c_str(), result,
                 why.empty() ? "" : (": " + why).c_str());
  }
  return ExitCodeForResult(result);
}

}  // namespace zanhost

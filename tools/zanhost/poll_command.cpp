// zanhost poll: defines the tags of a tag file and reads them every interval with ReadBlock,
// together with the status of each PLC: a table redrawn in place on a terminal, plain lines (or
// JSON objects) otherwise. A PLC whose link is down is warm-started every --reconnect seconds.
#include <cstdio>

#include "host_commands.h"
#include "live_screen.h"
#include "poll_table.h"
#include "result_words.h"
#include "tag_file.h"
#include "warm_start_schedule.h"

namespace zanhost {

CLI::App* AddPollCommand(CLI::App& app, PollOptions& options) {
  CLI::App* poll = app.add_subcommand(
      "poll",
      "define the tags of a tag file and read them every interval: values, results and "
      "the status of each PLC");
  poll->add_option("--tags", options.tagFile,
                   "tag file: one tag a line, \"name, address, type[, count][, rw]\"")
      ->required();
  poll->add_option("--interval", options.interval, "seconds between rounds")
      ->check(CLI::Range(0.0, 3600.0))
      ->capture_default_str();
  poll->add_option("--count", options.count, "rounds to run; 0 runs until Ctrl-C")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  AddReconnectOption(poll, options.reconnect);
  poll->add_flag("--json", options.json, "one JSON object a tag and a PLC each round");
  poll->add_flag("--plain", options.plain, "plain lines even on a terminal");
  AddHostOptions(poll, options.host);
  return poll;
}

int RunPoll(const PollOptions& options) {
  std::vector<TagSpec> specs;
  std::string error;
  if (!ReadTagFile(options.tagFile, specs, error)) {  // before Init changes the folder
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  PollTable table(session);
  if (table.Define(specs) == 0) {
    std::fprintf(stderr, "zanhost: the driver refused every tag of %s\n", options.tagFile.c_str());
  }
  WarmStartSchedule warmStarts(options.reconnect);
  table.SetStatusNote([&warmStarts](int status) { return warmStarts.Note(status); });
  LiveScreen screen(!options.json && !options.plain && CanRedraw());
  CatchInterrupt();
  for (int round = 1; options.count == 0 || round <= options.count; ++round) {
    // The warm starts go before the round, which then reads what they brought back and shows their
    // log lines.
    WarmStartDue([&session](int32_t& plc) { return session.WarmStart(plc); }, warmStarts,
                 table.Statuses(), MonotonicSeconds());
    const std::vector<std::string> log = table.RunRound();
    if (screen.redraw()) {
      char title[160];
      std::snprintf(
          title, sizeof title, "zanhost poll  %s  every %gs  round %d%s", options.tagFile.c_str(),
          options.interval, round,
          options.count > 0 ? (" of " + std::to_string(options.count)).c_str() : "  (Ctrl-C ends)");
      screen.Show(table.TableLines(title));
    } else {
      if (!options.host.quiet) {
        for (const std::string& line : log)
          std::fprintf(stderr, "log: %s\n", line.c_str());
      }
      for (const std::string& line :
           options.json ? table.JsonLines(round) : table.PlainLines(round)) {
        std::printf("%s\n", line.c_str());
      }
      std::fflush(stdout);
    }
    if (options.count != 0 && round == options.count) break;
    if (!Pause(options.interval)) break;
  }
  return kExitOk;
}

}  // namespace zanhost

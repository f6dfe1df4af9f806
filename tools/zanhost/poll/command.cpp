// zanhost poll: defines the tags of a tag file and reads them every interval with ReadBlock,
// together with the status of each PLC: a table redrawn in place on a terminal, plain lines (or
// JSON objects) with a time stamp otherwise. What it keeps (CSV, the summary at the end, the HTML
// report) is the recorder's (poll/recorder.h). A PLC that cannot be reached is warm-started every
// --reconnect seconds, unless its connection is up and it only waits for its pair's heartbeat tag;
// a line says what a warm start brought back whenever that changes.
// Exit 0; 1 when the driver refused a tag; 3 when a file cannot be written (then at once).
#include <cstdio>
#include <filesystem>
#include <map>

#include "output/json_writer.h"
#include "output/live_screen.h"
#include "output/result_words.h"
#include "output/wall_time.h"
#include "plan/command.h"
#include "plan/plan_view.h"
#include "poll/command.h"
#include "poll/recorder.h"
#include "poll/table.h"
#include "session/heartbeat_warnings.h"
#include "session/host_options.h"
#include "session/plc_state_words.h"
#include "session/warm_start_report.h"
#include "session/warm_start_schedule.h"
#include "tags/tag_file.h"

namespace zanhost {
namespace {

// The path as the user meant it, before the session moves to the configuration's folder.
std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.string();
}

// The summary per tag, then the requests a round takes.
void PrintSummary(const PollRecorder& recorder, const ReadPlan& plan, bool json) {
  for (const std::string& line :
       json ? recorder.summary().JsonLines() : recorder.summary().TextLines()) {
    std::printf("%s\n", line.c_str());
  }
  if (json) {
    JsonObject object;
    object.Add("summary", "requests")
        .Add("plan", plan.on)
        .Add("requestsPerRound", plan.requests)
        .Add("tagByTag", plan.tagByTag);
    std::printf("%s\n", object.str().c_str());
  } else {
    std::printf("requests: %s\n", RequestsWords(plan).c_str());
  }
  std::fflush(stdout);
}

void ShowPlanNotes(PollTable& table) {
  for (const std::string& note : table.TakePlanNotes())
    std::fprintf(stderr, "zanhost: %s\n", note.c_str());
}

}  // namespace

CLI::App* AddPollCommand(CLI::App& app, PollOptions& options) {
  CLI::App* poll = app.add_subcommand(
      "poll",
      "define the tags of a tag file and read them every interval: values, results and "
      "the status of each PLC, with a summary per tag at the end");
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
  AddPlanOption(poll, options.plan);
  poll->add_flag("--json", options.json, "one JSON object a tag and a PLC each round");
  poll->add_flag("--plain", options.plain, "plain lines even on a terminal");
  poll->add_option("--csv", options.csvFile,
                   "also write a row a tag and round to this file: time, tag, address, value, "
                   "result, served_by");
  poll->add_flag("--changes", options.changes,
                 "show (and write) a tag only when its value or result changed, the PLCs' line "
                 "only when a state changed");
  poll->add_option("--report", options.reportFile,
                   "write an HTML page with a trend of each numeric tag, the PLC states and "
                   "their outages when the poll ends (the file is created before the first "
                   "round)");
  AddHostOptions(poll, options.host);
  AcceptConfigFile(poll);
  return poll;
}

int RunPoll(const PollOptions& options) {
  std::vector<TagSpec> specs;
  std::string error;
  if (!ReadTagFile(options.tagFile, specs, error)) {  // before Init changes the folder
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  PollRecordOptions record;
  record.csvFile = Absolute(options.csvFile);
  record.reportFile = Absolute(options.reportFile);
  record.changes = options.changes;
  PollRecorder recorder;
  if (!recorder.Open(record, error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  HostSession session(options.host);
  if (!session.Init()) return kExitSetup;
  recorder.set_title("zanhost poll of " + options.tagFile + " (" + session.configurationPath() +
                     ")");
  PollTable table(session, options.plan);
  if (table.Define(specs) == 0) {
    std::fprintf(stderr, "zanhost: the driver refused every tag of %s\n", options.tagFile.c_str());
  }
  WarnOfMissingHeartbeats(session, options.tagFile);
  ShowPlanNotes(table);
  WarmStartSchedule warmStarts(options.reconnect);
  table.SetPlcNote([&](int plc) -> std::string {
    const DriverState* state = session.state();
    if (state != nullptr && WaitsForHeartbeat(*state, plc, session.LinkRestored(plc)) &&
        !HasHeartbeatTagOf(*state, session.heartbeatTags(), plc)) {
      return "no heartbeat tag of it in " + options.tagFile;
    }
    return warmStarts.Note(session.NeedsWarmStart(plc));
  });
  LiveScreen screen(!options.json && !options.plain && CanRedraw());
  CatchInterrupt();
  bool recorded = true;
  std::map<int, std::string> lastWarmStart;  // what each PLC's last warm start brought, in words
  for (int round = 1; options.count == 0 || round <= options.count; ++round) {
    // The warm starts go before the round, which then reads what they brought back and shows their
    // log lines. A PLC that only waits for its heartbeat is left alone: no warm start helps it.
    std::vector<std::string> warmStartLines;  // what the warm starts brought, when it changed
    std::vector<std::string> warmStartJson;
    if (session.state() != nullptr) {
      const std::map<int, bool> down = session.PlcsToWarmStart();
      WarmStartDue(
          [&](int32_t& plc) {
            const int32_t asked = plc;
            const int32_t result = session.WarmStart(plc);
            const WarmStartReport report = ReportWarmStart(session, asked, plc);
            if (lastWarmStart[asked] == report.words) return result;
            lastWarmStart[asked] = report.words;
            warmStartLines.push_back("warm start of " + session.DescribePlc(asked) + ": " +
                                     report.words);
            JsonObject json;
            json.Add("warmStart", asked).Add("result", result).Add("words", report.words);
            warmStartJson.push_back(json.str());
            return result;
          },
          warmStarts, down, MonotonicSeconds());
      for (const auto& [plc, isDown] : down) {
        if (!isDown) lastWarmStart.erase(plc);
      }
    }
    const int64_t time = NowMilliseconds();
    const std::vector<std::string> log = table.RunRound();
    ShowPlanNotes(table);
    const std::vector<bool>* shown = nullptr;
    recorded = recorder.Record(table.Round(round, time), shown, error);
    for (const std::string& line : warmStartLines)
      table.AddEvent(line);
    if (screen.redraw()) {
      char title[200];
      std::snprintf(
          title, sizeof title, "zanhost poll  %s  every %gs  round %d%s  %s",
          options.tagFile.c_str(), options.interval, round,
          options.count > 0 ? (" of " + std::to_string(options.count)).c_str() : "  (Ctrl-C ends)",
          LocalStamp(time).c_str());
      screen.Show(table.TableLines(title));
    } else {
      if (!options.host.quiet) {
        for (const std::string& line : log)
          std::fprintf(stderr, "log: %s\n", line.c_str());
      }
      for (const std::string& line : options.json ? warmStartJson : warmStartLines) {
        if (options.json) {
          std::printf("{\"time\":\"%s\",\"round\":%d,%s\n", IsoStamp(time).c_str(), round,
                      line.c_str() + 1);
        } else {
          std::printf("%s round %d: %s\n", LocalStamp(time).c_str(), round, line.c_str());
        }
      }
      for (const std::string& line : options.json
                                         ? table.JsonLines(round, IsoStamp(time), shown)
                                         : table.PlainLines(round, LocalStamp(time), shown)) {
        std::printf("%s\n", line.c_str());
      }
      std::fflush(stdout);
    }
    if (!recorded) break;
    if (options.count != 0 && round == options.count) break;
    if (!Pause(options.interval)) break;
  }
  PrintSummary(recorder, table.plan(), options.json);
  if (!recorded) {
    std::fprintf(stderr, "zanhost: %s; the poll stopped\n", error.c_str());
    recorder.Finish(error);  // what the report holds so far
    return kExitSetup;
  }
  if (!recorder.Finish(error)) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  const int refused = recorder.summary().refused();
  if (refused > 0) {
    std::fprintf(stderr, "zanhost: the driver refused %d tag%s of %s (shown in the summary)\n",
                 refused, refused == 1 ? "" : "s", options.tagFile.c_str());
    return kExitRefused;
  }
  return kExitOk;
}

}  // namespace zanhost

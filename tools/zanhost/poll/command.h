// zanhost poll: a set of tags read round after round (poll/table.h), shown as a table, plain lines
// or JSON, and recorded (poll/recorder.h); PLCs that are down are warm-started between rounds.
#ifndef ZAN_TOOLS_ZANHOST_POLL_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_POLL_COMMAND_H_

#include <CLI/CLI.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include "session/host_session.h"

namespace zanhost {

struct PollOptions {
  HostOptions host;
  std::string tagFile;
  double interval = 1.0;  // seconds between rounds
  int count = 0;          // rounds; 0 = until interrupted
  double reconnect = 5;   // seconds between warm starts of a PLC whose link is down; 0 = never
  bool json = false;
  bool plain = false;      // plain lines even on a terminal
  std::string csvFile;     // --csv: a row a tag and round
  bool changes = false;    // --changes: a tag only when its value or result changed
  std::string reportFile;  // --report: the HTML page written at the end
  bool plan = true;        // --plan: rounds by the read plan, else tag by tag
};
CLI::App* AddPollCommand(CLI::App& app, PollOptions& options);
int RunPoll(const PollOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_COMMAND_H_

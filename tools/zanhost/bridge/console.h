// What the bridge shows while it runs. Events (the broker connected or lost, a PLC's state, a
// write, a warm start) are lines on standard output that begin with the time, or one JSON object a
// line with --json; the driver's log lines go to standard error as "log: ...". On a terminal one
// status line (broker, tags, rounds, the last round's time, writes) stays under the events and is
// redrawn in place; elsewhere the status is an event of its own, printed now and then.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_CONSOLE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_CONSOLE_H_

#include <string>
#include <vector>

#include "output/json_writer.h"

namespace zanhost {

struct BridgeStatus {
  std::string broker;  // "localhost:1883 connected", "localhost:1883 down, next attempt in 4 s"
  int tags = 0;
  int refusedTags = 0;
  long rounds = 0;
  double roundMilliseconds = 0;  // the last round's
  int writes = 0;                // done
  int refusedWrites = 0;
  int failedWrites = 0;     // unreachable or refused by the PLC
  int failedPublishes = 0;  // messages the MQTT session would not take
  int linksDown = 0;
  std::string warmStart;  // "warm start every 5 s" while a link is down
};

// The status as one line of text, and as the fields of a JSON event.
std::string StatusLineText(const BridgeStatus& status);
void AddStatusFields(JsonObject& object, const BridgeStatus& status);

class BridgeConsole {
 public:
  enum class Mode { kTerminal, kPlain, kJson };
  // `driverLog`: the driver's log lines are shown (not with -q).
  explicit BridgeConsole(Mode mode, bool driverLog = true) : mode_(mode), driverLog_(driverLog) {}

  // An event: `text` for the lines, `json` (its "event" name and fields) for --json. The time is
  // added to both.
  void Event(const std::string& text, const JsonObject& json);
  // A line of the driver's log.
  void Log(const std::string& line);
  // Lines of the driver's log, unless they are turned off.
  void DriverLog(const std::vector<std::string>& lines);
  // The status: redrawn in place on a terminal, an event ("status") otherwise.
  void Status(const BridgeStatus& status);
  // Leaves the status line behind, for what follows.
  void Finish();

  Mode mode() const { return mode_; }

 private:
  void ClearStatusLine();
  void DrawStatusLine();

  Mode mode_;
  bool driverLog_;
  std::string statusLine_;  // on the terminal, under the events
  bool shown_ = false;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_CONSOLE_H_

// The table of the poll command and the demo: a set of tags and the status of every PLC of the
// configuration, read once a round (the tags by the read plan, plan/plan_rounds.h, or each with a
// ReadBlock of its own without one; then the status tag of each PLC), shown as a table for a
// terminal, as plain lines, or as one JSON object a line.
#ifndef ZAN_TOOLS_ZANHOST_POLL_TABLE_H_
#define ZAN_TOOLS_ZANHOST_POLL_TABLE_H_

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "plan/plan_rounds.h"
#include "plan/session_plan_driver.h"
#include "poll/readings.h"
#include "session/host_session.h"
#include "tags/tag_file.h"
#include "tags/tag_values.h"

namespace zanhost {

class PollTable {
 public:
  // `plan` false reads the tags one by one, as without a read plan.
  explicit PollTable(HostSession& session, bool plan = true);

  // Defines the tags with the driver, then the read plan's own. A refused tag stays in the table
  // with the driver's line; returns how many were accepted.
  int Define(const std::vector<TagSpec>& specs);

  // Reads every accepted tag and the status of every PLC once. The driver's log lines of the
  // round are kept for the table (the latest few) and returned.
  std::vector<std::string> RunRound();

  // The plan the rounds read by, and what changed in it since the last call (a block that the PLC
  // refused and that was given up), one line each.
  const ReadPlan& plan() const { return rounds_.plan(); }
  std::vector<std::string> TakePlanNotes() { return rounds_.TakeNotes(); }

  // What the latest round read, for the recorders of the poll.
  PollRound Round(int number, int64_t time) const;

  // The whole table, one text line each: tags, then PLCs, then the latest log lines.
  std::vector<std::string> TableLines(const std::string& title) const;
  // One line a tag and one for the PLCs, each beginning with "round N: ", after `stamp` and a
  // blank when a stamp is given. `shown`, when given, holds one flag a tag and a last one for the
  // PLCs' line: the lines whose flag is false are left out.
  std::vector<std::string> PlainLines(int round, const std::string& stamp = "",
                                      const std::vector<bool>* shown = nullptr) const;
  // One JSON object a tag and a PLC, with "time" first when `time` is given; `shown` as above
  // (its last flag for the objects of the PLCs).
  std::vector<std::string> JsonLines(int round, const std::string& time = "",
                                     const std::vector<bool>* shown = nullptr) const;

  // The last value of the tag of that name as text ("" when none), and its last result (-1 when
  // never read or refused).
  std::string ValueOf(const std::string& name) const;
  int ResultOf(const std::string& name) const;
  // The last status value of a PLC, -1 when unknown.
  int StatusOf(int plc) const;
  // The PLC that served the tag's last read (the backup after a switchover), 0 when none.
  int ServedBy(const std::string& name) const;

  // A line of the host's own among the latest log lines of the table (a warm start's outcome).
  void AddEvent(const std::string& line);

  // A note shown after the state of a PLC, by its number ("" for none): what the host does about
  // it, such as its warm starts.
  void SetPlcNote(std::function<std::string(int plc)> note) { plcNote_ = std::move(note); }

 private:
  struct Row {
    Tag tag;
    TagReading reading;
  };
  struct PlcRow {
    ListedPlc plc;
    Tag statusTag;
    PlcReading reading;
  };
  const Row* Find(const std::string& name) const;
  std::string NoteOf(int plc) const;  // " (note)" or ""

  HostSession& session_;
  SessionPlanDriver driver_;
  PlanRounds rounds_;
  bool plan_;
  std::vector<Row> rows_;
  std::vector<PlcRow> plcs_;
  std::deque<std::string> recentLog_;
  std::function<std::string(int)> plcNote_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_TABLE_H_

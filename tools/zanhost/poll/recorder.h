// What a poll keeps besides its lines: the CSV rows (--csv), the filter of --changes, the summary
// printed at the end and the HTML report (--report). The poll hands it every round.
#ifndef ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_
#define ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_

#include <string>
#include <vector>

#include "poll/change_filter.h"
#include "poll/csv.h"
#include "poll/readings.h"
#include "poll/report.h"
#include "poll/summary.h"

namespace zanhost {

struct PollRecordOptions {
  std::string csvFile;     // "" for none
  std::string reportFile;  // "" for none
  bool changes = false;    // print and write a tag only when its value or result changed
  std::string title;       // of the report
};

class PollRecorder {
 public:
  // Opens the CSV file (relative paths are taken from the current folder). False, with a line in
  // `error`, when it cannot be written.
  bool Open(const PollRecordOptions& options, std::string& error);

  // Records the round. Returns the flags of the lines to print (one a tag and one for the PLCs'
  // line), or nullptr to print them all.
  const std::vector<bool>* Record(const PollRound& round);

  // Writes the report, when one was asked for. False, with a line in `error`, when it cannot.
  bool Finish(std::string& error) const;

  const PollSummary& summary() const { return summary_; }
  void set_title(const std::string& title) { options_.title = title; }

 private:
  PollRecordOptions options_;
  PollCsv csv_;
  ChangeFilter filter_;
  std::vector<bool> shown_;
  PollSummary summary_;
  PollReport report_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_

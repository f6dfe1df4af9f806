// What a poll keeps besides its lines: the CSV rows (--csv), the filter of --changes, the summary
// printed at the end and the HTML report (--report). Both files are opened before the first round,
// so that a file that cannot be written stops the poll before it starts; the poll hands the
// recorder every round, and a CSV row that cannot be written stops it too.
#ifndef ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_
#define ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_

#include <cstdio>
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
  PollRecorder() = default;
  ~PollRecorder();
  PollRecorder(const PollRecorder&) = delete;
  PollRecorder& operator=(const PollRecorder&) = delete;

  // Opens the CSV file and writes its header, and creates (or empties) the report, which is
  // written when the poll ends (relative paths are taken from the current folder). False, with a
  // line in `error`, when either cannot be written.
  bool Open(const PollRecordOptions& options, std::string& error);

  // Records the round. `shown` receives the flags of the lines to print (one a tag and one for the
  // PLCs' line), or nullptr to print them all. False, with a line in `error`, when the CSV rows
  // cannot be written.
  bool Record(const PollRound& round, const std::vector<bool>*& shown, std::string& error);

  // Writes the report, when one was asked for. False, with a line in `error`, when it cannot.
  bool Finish(std::string& error);

  const PollSummary& summary() const { return summary_; }
  void set_title(const std::string& title) { options_.title = title; }

 private:
  PollRecordOptions options_;
  PollCsv csv_;
  std::FILE* report_ = nullptr;  // open from Open to Finish
  ChangeFilter filter_;
  std::vector<bool> shown_;
  PollSummary summary_;
  PollReport reportPage_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_RECORDER_H_

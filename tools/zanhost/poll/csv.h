// poll --csv FILE: one row a tag and round, "time,tag,address,value,result,served_by", for a
// spreadsheet or a script. The values of a run stand in one field, separated by blanks; fields are
// quoted as RFC 4180 says. Each round is flushed, so a poll that is killed keeps its rows.
#ifndef ZAN_TOOLS_ZANHOST_POLL_CSV_H_
#define ZAN_TOOLS_ZANHOST_POLL_CSV_H_

#include <cstdio>
#include <string>
#include <vector>

#include "poll/readings.h"

namespace zanhost {

// The text as one CSV field: quoted, with its quotes doubled, when it holds a comma, a quote or a
// line break.
std::string CsvField(const std::string& text);

class PollCsv {
 public:
  PollCsv() = default;
  ~PollCsv();
  PollCsv(const PollCsv&) = delete;
  PollCsv& operator=(const PollCsv&) = delete;

  // Creates (or empties) the file and writes the header out; false, with a line in `error`, when
  // it cannot (a missing folder, a full disk).
  bool Open(const std::string& path, std::string& error);

  // The rows of the tags whose flag in `shown` is set (every tag when `shown` is null), flushed.
  // False, with a line in `error`, when they cannot be written; the file is closed then.
  bool Write(const PollRound& round, const std::vector<bool>* shown, std::string& error);

 private:
  bool Failed(std::string& error);  // the line of the latest failure, the file closed

  std::FILE* file_ = nullptr;
  std::string path_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_CSV_H_

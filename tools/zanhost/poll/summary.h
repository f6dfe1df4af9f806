// The summary a poll prints when it ends (at --count, or on Ctrl-C): for each tag the reads, the
// failed ones, the smallest and largest value and when the value or result last changed; a tag
// that the driver refused says so in its row.
#ifndef ZAN_TOOLS_ZANHOST_POLL_SUMMARY_H_
#define ZAN_TOOLS_ZANHOST_POLL_SUMMARY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "poll/readings.h"

namespace zanhost {

class PollSummary {
 public:
  struct Entry {
    std::string name;
    std::string address;
    int reads = 0;     // rounds in which the tag was read
    int failures = 0;  // of them, those that did not return 0
    bool numeric = false;
    double min = 0;  // over every value of every successful read, when numeric
    double max = 0;
    std::string last;        // the latest value or result, as text
    int64_t lastChange = 0;  // when `last` last changed after the first round, counted from the
                             // first successful read on; 0: never
    bool everRead = false;   // a read of it succeeded
    std::string refusal;     // the driver's line when it refused the tag (never read then)
  };

  void Add(const PollRound& round);

  int rounds() const { return rounds_; }
  int64_t first() const { return first_; }
  int64_t last() const { return last_; }
  const std::vector<Entry>& entries() const { return entries_; }
  // The tags that the driver refused.
  int refused() const;

  // A heading and a table, one text line each.
  std::vector<std::string> TextLines() const;
  // One JSON object a tag: {"summary":"tag","name":...,"reads":...,"failures":...,"min":...,
  // "max":...,"lastChange":"<ISO time>" or null}, and "refused":"<the driver's line>" for a tag
  // that the driver refused.
  std::vector<std::string> JsonLines() const;

 private:
  std::vector<Entry> entries_;
  int rounds_ = 0;
  int64_t first_ = 0;
  int64_t last_ = 0;
};

// A number as the summary and the report show it: integers without a point, others in up to 6
// significant digits.
std::string NumberText(double value);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_SUMMARY_H_

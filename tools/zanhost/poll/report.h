// poll --report FILE.html: one self-contained page (inline SVG and style, no script, nothing
// fetched from elsewhere) with the poll's summary, a trend of every numeric tag and the states of
// the PLCs over time. It is written when the poll ends.
#ifndef ZAN_TOOLS_ZANHOST_POLL_REPORT_H_
#define ZAN_TOOLS_ZANHOST_POLL_REPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "poll/readings.h"
#include "poll/summary.h"
#include "poll/svg_chart.h"

namespace zanhost {

class PollReport {
 public:
  void Add(const PollRound& round);

  // The page as text; `title` heads it (the tag file and the configuration, say).
  std::string Html(const std::string& title, const PollSummary& summary) const;

  // Writes the page; false, with a line in `error`, when the file cannot be written.
  bool Write(const std::string& path, const std::string& title, const PollSummary& summary,
             std::string& error) const;

 private:
  // The values of a run beyond this many get no line of their own.
  static constexpr std::size_t kSeriesPerTag = 8;

  struct TagTrace {
    std::string name;
    std::string address;
    std::string type;
    bool numeric = false;
    std::vector<TrendSeries> series;  // one a value of the run
  };
  struct PlcTrace {
    int number = 0;
    std::vector<StateSpan> spans;
  };
  // The end of the time axis: a round's spans reach to the next round, and the last one as far.
  int64_t End() const;

  std::vector<TagTrace> tags_;
  std::vector<PlcTrace> plcs_;
  int rounds_ = 0;
  int64_t first_ = 0;
  int64_t last_ = 0;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_REPORT_H_

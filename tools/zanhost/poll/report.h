// poll --report FILE.html: one self-contained page (inline SVG and style, no script, nothing
// fetched from elsewhere) with the poll's summary, a trend of every numeric tag (values held from
// one read to the next, each failed read marked with its cause, and for the tags of a master/backup
// pair the PLC that served each value), the states of the PLCs over time and a list of each PLC's
// outages. It is written when the poll ends.
#ifndef ZAN_TOOLS_ZANHOST_POLL_REPORT_H_
#define ZAN_TOOLS_ZANHOST_POLL_REPORT_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "poll/readings.h"
#include "poll/summary.h"
#include "poll/svg_chart.h"

namespace zanhost {

class PollReport {
 public:
  void Add(const PollRound& round);

  // The page as text; `title` heads it (the tag file and the configuration, say). `summary` has
  // taken the same rounds: its table heads the page, and its rounds give the time axis.
  std::string Html(const std::string& title, const PollSummary& summary) const;

 private:
  // The values of a run beyond this many get no line of their own.
  static constexpr std::size_t kSeriesPerTag = 8;

  struct TagTrace {
    std::string name;
    std::string address;
    std::string type;
    bool numeric = false;
    int plc = 0;     // the PLC the tag names
    int backup = 0;  // its backup: the report then shows which PLC served each value
    std::vector<TrendSeries> series;  // one a value of the run
    std::vector<TrendPoint> failures;
    std::vector<StateSpan> served;  // "PLC n" while PLC n served its reads; "no value" between
  };
  struct PlcTrace {
    int number = 0;
    std::vector<StateSpan> spans;
  };
  std::vector<TagTrace> tags_;
  std::vector<PlcTrace> plcs_;
};

// A time when a PLC could not serve, from the first round that found it so to the first that
// found it serving again (or to the end of the poll, `ongoing`), with the states it went through.
struct Outage {
  int64_t from = 0;
  int64_t to = 0;
  bool ongoing = false;
  std::vector<std::string> words;  // session/plc_state_words.h, each once, in order
};

// The outages in a PLC's spans of states (the last span reaching to the end of the poll).
std::vector<Outage> Outages(const std::vector<StateSpan>& spans);

// "850 ms", "12.5 s", "3 min 20 s", "2 h 5 min".
std::string DurationText(int64_t milliseconds);

// Writes the page to an open file and flushes it; false when not every byte got there.
bool WritePage(std::FILE* file, const std::string& html);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_REPORT_H_

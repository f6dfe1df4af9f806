// The pictures of the poll report, as inline SVG text: a trend of values over time, and bands of
// PLC states over time. No script and nothing from elsewhere: the page shows them as it stands.
#ifndef ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_
#define ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_

#include <cstdint>
#include <string>
#include <vector>

#include "poll/trend_geometry.h"

namespace zanhost {

struct TrendPoint {
  int64_t time = 0;  // milliseconds since 1970
  double value = 0;
  bool ok = true;     // false: the read failed
  int servedBy = 0;   // the PLC that served the value; 0 when not told
  std::string cause;  // of a failed read: "unreachable: cannot be reached (link down)"
};

struct TrendSeries {
  std::string label;
  std::vector<TrendPoint> points;  // the values read, in time order
};

struct TrendChart {
  std::vector<TrendSeries> series;
  std::vector<TrendPoint> failures;  // the failed reads of the tag, in time order
  ValueScale scale = ValueScale::kReal;
  int ownPlc = 0;  // the PLC the tag names: a value that another PLC served is drawn hollow
};

// A chart of the series between the times `from` and `to` (from < to), with a value axis of round
// ticks (poll/trend_geometry.h) and a time axis. A value holds until the next read; a failed read
// ends its line and gets a red mark whose title names the cause. A series of many points is thinned
// to the smallest and largest value of each pixel column, so that spikes stay visible.
std::string TrendSvg(const TrendChart& chart, int64_t from, int64_t to);

struct StateSpan {
  int64_t from = 0;
  int64_t to = 0;
  std::string word;    // session/plc_state_words.h
  std::string colour;  // "" for the colour of the word (StateColour)
};

struct StateRow {
  std::string label;
  std::vector<StateSpan> spans;
};

// One band a row, coloured by state, over the same time axis, with a legend of the states shown.
std::string StatesSvg(const std::vector<StateRow>& rows, int64_t from, int64_t to);

// The colour of a state word: green active, blue standby, orange heartbeat stopped, red link down,
// amber waits for its heartbeat, grey not connected, pink last request refused.
std::string StateColour(const std::string& word);

// Text for HTML and SVG: &, <, >, " and ' escaped.
std::string HtmlEscape(const std::string& text);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_

// The pictures of the poll report, as inline SVG text: a trend of values over time, and bands of
// PLC states over time. No script and nothing from elsewhere: the page shows them as it stands.
#ifndef ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_
#define ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

struct TrendPoint {
  int64_t time = 0;  // milliseconds since 1970
  double value = 0;
  bool ok = true;  // false: the read failed; the line breaks there and a red mark shows it
};

struct TrendSeries {
  std::string label;
  std::vector<TrendPoint> points;  // in time order
};

// A chart of the series between the times `from` and `to` (from < to), with value and time axes.
// A series of many points is thinned to the smallest and largest value of each pixel column, so
// that spikes stay visible.
std::string TrendSvg(const std::vector<TrendSeries>& series, int64_t from, int64_t to);

struct StateSpan {
  int64_t from = 0;
  int64_t to = 0;
  std::string word;  // session/plc_state_words.h
};

struct StateRow {
  std::string label;
  std::vector<StateSpan> spans;
};

// One band a row, coloured by state, over the same time axis, with a legend of the states shown.
std::string StatesSvg(const std::vector<StateRow>& rows, int64_t from, int64_t to);

// The colour of a state word: green active, blue standby, orange heartbeat stopped, red link down.
std::string StateColour(const std::string& word);

// Text for HTML and SVG: &, <, >, " and ' escaped.
std::string HtmlEscape(const std::string& text);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_SVG_CHART_H_

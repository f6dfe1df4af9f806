#include "poll/svg_chart.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "output/wall_time.h"
#include "poll/summary.h"

namespace zanhost {
namespace {

constexpr int kWidth = 960;
constexpr int kLeft = 80;  // room for the value labels and the row names
constexpr int kRight = 16;
constexpr int kPlotWidth = kWidth - kLeft - kRight;
constexpr int kTrendHeight = 200;
constexpr int kTop = 12;
constexpr int kBottom = 28;  // room for the time labels
constexpr int kBandHeight = 22;
constexpr int kBandGap = 6;
constexpr std::size_t kMarkedPoints = 60;  // up to this many points get a dot each
constexpr int kTimeTicks = 5;
constexpr int64_t kShortAxis = 60 * 1000;  // milliseconds

const char* const kSeriesColours[] = {"#1565c0", "#6a1b9a", "#00838f", "#ad1457",
                                      "#4e342e", "#ef6c00", "#2e7d32", "#c62828"};

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

class TimeAxis {
 public:
  TimeAxis(int64_t from, int64_t to) : from_(from), span_(to > from ? to - from : 1) {}
  // The clock time, with tenths of a second on an axis shorter than a minute.
  std::string Label(int64_t time) const {
    if (span_ >= kShortAxis) return ClockTime(time);
    return ClockTime(time) + "." + std::to_string(time % 1000 / 100);
  }
  double X(int64_t time) const {
    return kLeft + static_cast<double>(time - from_) * kPlotWidth / static_cast<double>(span_);
  }
  // Tick lines and labels below a plot whose bottom is at `y`.
  std::string Ticks(int top, int bottom) const {
    std::string svg;
    for (int i = 0; i <= kTimeTicks; ++i) {
      const int64_t time = from_ + span_ * i / kTimeTicks;
      const std::string x = Number(X(time));
      svg += "<line x1=\"" + x + "\" y1=\"" + std::to_string(top) + "\" x2=\"" + x + "\" y2=\"" +
             std::to_string(bottom) + "\" class=\"grid\"/>";
      const char* anchor = i == 0 ? "start" : i == kTimeTicks ? "end" : "middle";
      svg += "<text x=\"" + x + "\" y=\"" + std::to_string(bottom + 16) + "\" text-anchor=\"" +
             anchor + "\">" + Label(time) + "</text>";
    }
    return svg;
  }

 private:
  int64_t from_;
  int64_t span_;
};

// At most two points a pixel column (its smallest and largest value, in time order) and every
// failed read.
std::vector<TrendPoint> Thinned(const std::vector<TrendPoint>& points, const TimeAxis& axis) {
  if (points.size() <= static_cast<std::size_t>(2 * kPlotWidth)) return points;
  std::vector<TrendPoint> thinned;
  std::size_t i = 0;
  while (i < points.size()) {
    const int column = static_cast<int>(axis.X(points[i].time));
    std::size_t end = i;
    std::size_t low = i;
    std::size_t high = i;
    bool failed = false;
    for (; end < points.size() && static_cast<int>(axis.X(points[end].time)) == column; ++end) {
      if (!points[end].ok) {
        failed = true;
        continue;
      }
      if (!points[low].ok || points[end].value < points[low].value) low = end;
      if (!points[high].ok || points[end].value > points[high].value) high = end;
    }
    if (points[low].ok) thinned.push_back(points[std::min(low, high)]);
    if (points[high].ok && high != low) thinned.push_back(points[std::max(low, high)]);
    if (failed) thinned.push_back(TrendPoint{points[i].time, 0, false});
    i = end;
  }
  return thinned;
}

}  // namespace

std::string HtmlEscape(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      case '\'':
        escaped += "&#39;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string StateColour(const std::string& word) {
  const bool refused = word.find("last request refused") != std::string::npos;
  if (word.rfind("active", 0) == 0) return refused ? "#9ccc65" : "#2e7d32";
  if (word.rfind("standby", 0) == 0) return refused ? "#90caf9" : "#1565c0";
  if (word == "heartbeat stopped") return "#ef6c00";
  if (word == "link down") return "#c62828";
  if (word == "not connected") return "#757575";
  return "#bdbdbd";
}

std::string TrendSvg(const std::vector<TrendSeries>& series, int64_t from, int64_t to) {
  const TimeAxis axis(from, to);
  double low = 0;
  double high = 0;
  bool any = false;
  for (const TrendSeries& s : series) {
    for (const TrendPoint& point : s.points) {
      if (!point.ok) continue;
      low = any ? std::min(low, point.value) : point.value;
      high = any ? std::max(high, point.value) : point.value;
      any = true;
    }
  }
  if (!any || high == low) {
    low -= 1;
    high += 1;
  }
  const double pad = (high - low) * 0.05;
  low -= pad;
  high += pad;
  const int bottom = kTrendHeight - kBottom;
  auto y = [&](double value) { return bottom - (value - low) * (bottom - kTop) / (high - low); };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    std::to_string(kWidth) + " " + std::to_string(kTrendHeight) +
                    "\" class=\"trend\" role=\"img\">";
  svg += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
         std::to_string(kPlotWidth) + "\" height=\"" + std::to_string(bottom - kTop) +
         "\" class=\"plot\"/>";
  for (int i = 0; i <= 2; ++i) {
    const double value = low + pad + (high - low - 2 * pad) * i / 2;
    const std::string at = Number(y(value));
    svg += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + at + "\" x2=\"" +
           std::to_string(kLeft + kPlotWidth) + "\" y2=\"" + at + "\" class=\"grid\"/>";
    svg += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + Number(y(value) + 4) +
           "\" text-anchor=\"end\">" + HtmlEscape(NumberText(value)) + "</text>";
  }
  svg += axis.Ticks(kTop, bottom);
  for (std::size_t s = 0; s < series.size(); ++s) {
    const std::string colour = kSeriesColours[s % std::size(kSeriesColours)];
    const std::vector<TrendPoint> points = Thinned(series[s].points, axis);
    std::string line;
    auto flush = [&]() {
      if (!line.empty()) {
        svg += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\" points=\"" +
               line + "\"><title>" + HtmlEscape(series[s].label) + "</title></polyline>";
      }
      line.clear();
    };
    for (const TrendPoint& point : points) {
      const std::string x = Number(axis.X(point.time));
      if (!point.ok) {
        flush();
        svg += "<rect x=\"" + x + "\" y=\"" + std::to_string(bottom - 8) +
               "\" width=\"2\" height=\"8\" class=\"failed\"><title>" + ClockTime(point.time) +
               ": read failed</title></rect>";
        continue;
      }
      line += (line.empty() ? "" : " ") + x + "," + Number(y(point.value));
      if (points.size() <= kMarkedPoints) {
        svg += "<circle cx=\"" + x + "\" cy=\"" + Number(y(point.value)) + "\" r=\"2.5\" fill=\"" +
               colour + "\"><title>" + ClockTime(point.time) + ": " +
               HtmlEscape(NumberText(point.value)) + "</title></circle>";
      }
    }
    flush();
  }
  if (series.size() > 1) {  // a legend for the values of a run
    int x = kLeft + 8;
    for (std::size_t s = 0; s < series.size(); ++s) {
      svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(kTop + 6) +
             "\" width=\"12\" height=\"3\" fill=\"" +
             kSeriesColours[s % std::size(kSeriesColours)] + "\"/><text x=\"" +
             std::to_string(x + 16) + "\" y=\"" + std::to_string(kTop + 11) + "\">" +
             HtmlEscape(series[s].label) + "</text>";
      x += 28 + static_cast<int>(series[s].label.size()) * 7;
    }
  }
  return svg + "</svg>";
}

std::string StatesSvg(const std::vector<StateRow>& rows, int64_t from, int64_t to) {
  const TimeAxis axis(from, to);
  const int bandsBottom = kTop + static_cast<int>(rows.size()) * (kBandHeight + kBandGap);
  const int legendTop = bandsBottom + kBottom;
  std::map<std::string, std::string> legend;  // word -> colour
  std::string bands;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const int top = kTop + static_cast<int>(r) * (kBandHeight + kBandGap);
    bands += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" +
             std::to_string(top + kBandHeight / 2 + 4) + "\" text-anchor=\"end\">" +
             HtmlEscape(rows[r].label) + "</text>";
    for (const StateSpan& span : rows[r].spans) {
      const std::string colour = StateColour(span.word);
      legend[span.word] = colour;
      const double x = axis.X(span.from);
      const double width = std::max(1.0, axis.X(span.to) - x);
      bands += "<rect x=\"" + Number(x) + "\" y=\"" + std::to_string(top) + "\" width=\"" +
               Number(width) + "\" height=\"" + std::to_string(kBandHeight) + "\" fill=\"" +
               colour + "\"><title>" +
               HtmlEscape(rows[r].label + ": " + span.word + ", " + ClockTime(span.from) + " to " +
                          ClockTime(span.to)) +
               "</title></rect>";
    }
  }
  const int height = legendTop + 22;
  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    std::to_string(kWidth) + " " + std::to_string(height) +
                    "\" class=\"states\" role=\"img\">" + bands + axis.Ticks(kTop, bandsBottom);
  int x = kLeft;
  for (const auto& [word, colour] : legend) {
    svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(legendTop) +
           "\" width=\"12\" height=\"12\" fill=\"" + colour + "\"/>";
    svg += "<text x=\"" + std::to_string(x + 16) + "\" y=\"" + std::to_string(legendTop + 11) +
           "\">" + HtmlEscape(word) + "</text>";
    x += 40 + static_cast<int>(word.size()) * 7;
  }
  return svg + "</svg>";
}

}  // namespace zanhost

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

// At most two points a pixel column: its smallest and largest value, in time order.
std::vector<TrendPoint> Thinned(const std::vector<TrendPoint>& points, const TimeAxis& axis) {
  if (points.size() <= static_cast<std::size_t>(2 * kPlotWidth)) return points;
  std::vector<TrendPoint> thinned;
  std::size_t i = 0;
  while (i < points.size()) {
    const int column = static_cast<int>(axis.X(points[i].time));
    std::size_t end = i;
    std::size_t low = i;
    std::size_t high = i;
    for (; end < points.size() && static_cast<int>(axis.X(points[end].time)) == column; ++end) {
      if (points[end].value < points[low].value) low = end;
      if (points[end].value > points[high].value) high = end;
    }
    thinned.push_back(points[std::min(low, high)]);
    if (high != low) thinned.push_back(points[std::max(low, high)]);
    i = end;
  }
  return thinned;
}

// The first failed read of each pixel column, with how many more it stands for.
std::vector<std::pair<TrendPoint, int>> ThinnedFailures(const std::vector<TrendPoint>& failures,
                                                        const TimeAxis& axis) {
  std::vector<std::pair<TrendPoint, int>> marks;
  int lastColumn = -1;
  for (const TrendPoint& failure : failures) {
    const int column = static_cast<int>(axis.X(failure.time));
    if (!marks.empty() && column == lastColumn) {
      ++marks.back().second;
      continue;
    }
    marks.emplace_back(failure, 0);
    lastColumn = column;
  }
  return marks;
}

// The values of a series and the tag's failed reads, in time order, for its steps.
std::vector<TimedValue> Merged(const std::vector<TrendPoint>& points,
                               const std::vector<TrendPoint>& failures) {
  std::vector<TimedValue> merged;
  std::size_t f = 0;
  for (const TrendPoint& point : points) {
    for (; f < failures.size() && failures[f].time <= point.time; ++f)
      merged.push_back({failures[f].time, 0, false});
    merged.push_back({point.time, point.value, true});
  }
  for (; f < failures.size(); ++f)
    merged.push_back({failures[f].time, 0, false});
  return merged;
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
  if (word == "active") return "#2e7d32";
  if (word == "standby") return "#1565c0";
  if (word == "heartbeat stopped") return "#ef6c00";
  if (word == "link down") return "#c62828";
  if (word == "waits for its heartbeat") return "#f9a825";
  if (word == "not connected") return "#757575";
  if (word == "last request refused") return "#f48fb1";
  return "#bdbdbd";
}

std::string TrendSvg(const TrendChart& chart, int64_t from, int64_t to) {
  const TimeAxis axis(from, to);
  double low = 0;
  double high = 0;
  bool any = false;
  for (const TrendSeries& s : chart.series) {
    for (const TrendPoint& point : s.points) {
      low = any ? std::min(low, point.value) : point.value;
      high = any ? std::max(high, point.value) : point.value;
      any = true;
    }
  }
  const ValueAxis values = NiceAxis(low, high, chart.scale);
  const int bottom = kTrendHeight - kBottom;
  auto y = [&](double value) {
    return bottom - (value - values.low) * (bottom - kTop) / (values.high - values.low);
  };

  std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " +
                    std::to_string(kWidth) + " " + std::to_string(kTrendHeight) +
                    "\" class=\"trend\" role=\"img\">";
  svg += "<rect x=\"" + std::to_string(kLeft) + "\" y=\"" + std::to_string(kTop) + "\" width=\"" +
         std::to_string(kPlotWidth) + "\" height=\"" + std::to_string(bottom - kTop) +
         "\" class=\"plot\"/>";
  for (const double tick : values.ticks) {
    const std::string at = Number(y(tick));
    svg += "<line x1=\"" + std::to_string(kLeft) + "\" y1=\"" + at + "\" x2=\"" +
           std::to_string(kLeft + kPlotWidth) + "\" y2=\"" + at + "\" class=\"grid\"/>";
    svg += "<text x=\"" + std::to_string(kLeft - 6) + "\" y=\"" + Number(y(tick) + 4) +
           "\" text-anchor=\"end\" class=\"tick\">" + HtmlEscape(NumberText(tick)) + "</text>";
  }
  svg += axis.Ticks(kTop, bottom);
  for (std::size_t s = 0; s < chart.series.size(); ++s) {
    const TrendSeries& series = chart.series[s];
    const std::string colour = kSeriesColours[s % std::size(kSeriesColours)];
    const std::vector<TrendPoint> points = Thinned(series.points, axis);
    for (const std::vector<StepVertex>& line : StepLines(Merged(points, chart.failures), to)) {
      std::string text;
      for (const StepVertex& vertex : line) {
        if (!text.empty()) text += ' ';
        text += Number(axis.X(vertex.time));
        text += ',';
        text += Number(y(vertex.value));
      }
      svg += "<polyline fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\" points=\"" +
             text + "\"><title>" + HtmlEscape(series.label) + "</title></polyline>";
    }
    if (points.size() > kMarkedPoints) continue;
    for (const TrendPoint& point : points) {
      // A value that another PLC than the tag's own served (its backup) is drawn hollow.
      const bool other = point.servedBy != 0 && chart.ownPlc != 0 && point.servedBy != chart.ownPlc;
      std::string title = ClockTime(point.time) + ": " + NumberText(point.value);
      if (point.servedBy != 0) {
        title += other ? ", served by backup PLC " + std::to_string(point.servedBy)
                       : ", PLC " + std::to_string(point.servedBy);
      }
      svg += "<circle cx=\"" + Number(axis.X(point.time)) + "\" cy=\"" + Number(y(point.value)) +
             "\" r=\"2.5\" " +
             (other ? "fill=\"#ffffff\" stroke=\"" + colour + "\" class=\"backup\""
                    : "fill=\"" + colour + "\"") +
             "><title>" + HtmlEscape(title) + "</title></circle>";
    }
  }
  for (const auto& [failure, more] : ThinnedFailures(chart.failures, axis)) {
    std::string title =
        ClockTime(failure.time) + ": " + (failure.cause.empty() ? "read failed" : failure.cause);
    if (more > 0) title += " (and " + std::to_string(more) + " more failed reads here)";
    svg += "<rect x=\"" + Number(axis.X(failure.time)) + "\" y=\"" + std::to_string(bottom - 8) +
           "\" width=\"2\" height=\"8\" class=\"failed\"><title>" + HtmlEscape(title) +
           "</title></rect>";
  }
  if (chart.series.size() > 1) {  // a legend for the values of a run
    int x = kLeft + 8;
    for (std::size_t s = 0; s < chart.series.size(); ++s) {
      svg += "<rect x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(kTop + 6) +
             "\" width=\"12\" height=\"3\" fill=\"" +
             kSeriesColours[s % std::size(kSeriesColours)] + "\"/><text x=\"" +
             std::to_string(x + 16) + "\" y=\"" + std::to_string(kTop + 11) + "\">" +
             HtmlEscape(chart.series[s].label) + "</text>";
      x += 28 + static_cast<int>(chart.series[s].label.size()) * 7;
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
      const std::string colour = span.colour.empty() ? StateColour(span.word) : span.colour;
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

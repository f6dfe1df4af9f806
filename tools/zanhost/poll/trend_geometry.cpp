#include "poll/trend_geometry.h"

#include <algorithm>
#include <cmath>

namespace zanhost {
namespace {

constexpr double kTicksWanted = 5;   // intervals between ticks, about
constexpr double kBitMargin = 0.15;  // room above 1 and below 0 on a bit's axis
constexpr double kRoundingSlack = 1e-9;

}  // namespace

ValueScale ScaleOfType(const std::string& type) {
  if (type == "bit") return ValueScale::kBit;
  if (type == "word" || type == "int" || type == "dint" || type == "dword")
    return ValueScale::kInteger;
  return ValueScale::kReal;
}

double NiceStep(double span) {
  const double power = std::pow(10.0, std::floor(std::log10(span)));
  const double fraction = span / power;
  for (const double nice : {1.0, 2.0, 5.0}) {
    if (fraction <= nice * (1 + kRoundingSlack)) return nice * power;
  }
  return 10 * power;
}

ValueAxis NiceAxis(double low, double high, ValueScale scale) {
  ValueAxis axis;
  if (scale == ValueScale::kBit) {
    axis.low = -kBitMargin;
    axis.high = 1 + kBitMargin;
    axis.ticks = {0, 1};
    return axis;
  }
  if (!std::isfinite(low) || !std::isfinite(high) || high < low) low = high = 0;
  if (high == low) {
    low -= 1;
    high += 1;
  }
  double step = NiceStep((high - low) / kTicksWanted);
  if (scale == ValueScale::kInteger && step < 1) step = 1;
  // Whole multiples of the step, so that no tick shows as 0.30000000000000004.
  const double from = std::floor(low / step + kRoundingSlack);
  const double to = std::ceil(high / step - kRoundingSlack);
  for (double k = from; k <= to + kRoundingSlack; ++k)
    axis.ticks.push_back(k * step + 0.0);  // + 0.0: never a tick of -0
  axis.low = from * step;
  axis.high = to * step;
  return axis;
}

std::vector<std::vector<StepVertex>> StepLines(const std::vector<TimedValue>& points, int64_t end) {
  std::vector<std::vector<StepVertex>> lines;
  std::vector<StepVertex> line;
  for (const TimedValue& point : points) {
    if (!point.ok) {
      if (!line.empty()) {
        line.push_back({point.time, line.back().value});
        lines.push_back(std::move(line));
        line.clear();
      }
      continue;
    }
    if (line.empty()) {
      line.push_back({point.time, point.value});
    } else if (point.value != line.back().value) {
      line.push_back({point.time, line.back().value});
      line.push_back({point.time, point.value});
    }
  }
  if (!line.empty()) {
    line.push_back({std::max(end, line.back().time), line.back().value});
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace zanhost

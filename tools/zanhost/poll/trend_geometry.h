// The shapes of a trend before they are drawn: a value axis with round ticks, and the lines of a
// value that holds from one read until the next. Kept apart from the SVG text so that they can be
// checked as numbers.
#ifndef ZAN_TOOLS_ZANHOST_POLL_TREND_GEOMETRY_H_
#define ZAN_TOOLS_ZANHOST_POLL_TREND_GEOMETRY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

// What the values of a trend are: any number, whole numbers (words, ints, double words) or bits.
enum class ValueScale { kReal, kInteger, kBit };

// The scale of a host type's name ("bit", "float", "word", ...); a type code without a name is
// taken as real.
ValueScale ScaleOfType(const std::string& type);

struct ValueAxis {
  double low = 0;  // the bottom and top of the plot
  double high = 1;
  std::vector<double> ticks;  // from low to high
};

// An axis over the values from `low` to `high`: ticks 1, 2 or 5 x 10^n apart, about five of them,
// from a multiple of that step below the values to one above; steps of at least 1 for whole
// numbers; 0 and 1 alone for bits (with a little room above and below). A single value gets room
// of 1 on each side.
ValueAxis NiceAxis(double low, double high, ValueScale scale);

// The smallest of 1, 2 and 5 x 10^n that is at least `span` (> 0).
double NiceStep(double span);

struct TimedValue {
  int64_t time = 0;  // milliseconds since 1970
  double value = 0;
  bool ok = true;  // false: a failed read
};

struct StepVertex {
  int64_t time = 0;
  double value = 0;
  bool operator==(const StepVertex& other) const {
    return time == other.time && value == other.value;
  }
};

// The lines of a value that holds until the next read (`points` in time order): each read's value
// runs level to the time of the next read, where the line steps to the new value. A failed read
// ends the line at its time; the next good read starts a new one. The last value holds until
// `end`.
std::vector<std::vector<StepVertex>> StepLines(const std::vector<TimedValue>& points, int64_t end);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_TREND_GEOMETRY_H_

// Wall-clock time stamps of the poll: what its lines, JSON objects, CSV rows and report show.
#ifndef ZAN_TOOLS_ZANHOST_OUTPUT_WALL_TIME_H_
#define ZAN_TOOLS_ZANHOST_OUTPUT_WALL_TIME_H_

#include <cstdint>
#include <string>

namespace zanhost {

// Milliseconds since 1970-01-01 UTC.
int64_t NowMilliseconds();

// The local time of `milliseconds`: "2026-12-07 13:45:01.234" for people, and
// "2026-12-07T13:45:01.234+01:00" (ISO 8601 with the offset from UTC) for files and JSON.
std::string LocalStamp(int64_t milliseconds);
std::string IsoStamp(int64_t milliseconds);

// "13:45:01" of the local time, for chart axes.
std::string ClockTime(int64_t milliseconds);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OUTPUT_WALL_TIME_H_

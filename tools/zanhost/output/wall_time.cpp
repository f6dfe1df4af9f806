#include "output/wall_time.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "os/host_platform.h"

namespace zanhost {
namespace {

// The local calendar time of the second `milliseconds` falls in; zeros when it cannot be told.
std::tm Local(int64_t milliseconds) {
  std::tm local{};
  const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
  if (!LocalTime(seconds, local)) local = std::tm{};
  return local;
}

// Days since 1970-01-01 of a calendar date (proleptic Gregorian).
int64_t DaysOf(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// The local time's offset from UTC in minutes: the local calendar time read as if it were UTC,
// less the time itself.
int64_t OffsetMinutes(int64_t milliseconds, const std::tm& local) {
  const int64_t asUtc = DaysOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) * 86400 +
                        local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  return (asUtc - milliseconds / 1000) / 60;
}

std::string Format(int64_t milliseconds, char separator) {
  const std::tm local = Local(milliseconds);
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d%c%02d:%02d:%02d.%03d", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, separator, local.tm_hour, local.tm_min,
                local.tm_sec, static_cast<int>(milliseconds % 1000));
  return text;
}

}  // namespace

int64_t NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string LocalStamp(int64_t milliseconds) {
  return Format(milliseconds, ' ');
}

std::string IsoStamp(int64_t milliseconds) {
  const int64_t offset = OffsetMinutes(milliseconds, Local(milliseconds));
  char zone[16];
  std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+',
                static_cast<int>(std::llabs(offset) / 60),
                static_cast<int>(std::llabs(offset) % 60));
  return Format(milliseconds, 'T') + zone;
}

std::string ClockTime(int64_t milliseconds) {
  const std::tm local = Local(milliseconds);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
  return text;
}

}  // namespace zanhost

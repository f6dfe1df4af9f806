// An in-process host for fuzz targets and benchmarks: every log line is formatted, as the host
// would, and counted, then dropped; the client functions fail.
#ifndef ZAN_TESTS_SUPPORT_QUIET_HOST_H_
#define ZAN_TESTS_SUPPORT_QUIET_HOST_H_

#include <cstdarg>
#include <cstdio>

#include "core/host_services.h"

namespace zan::testing {

// Lines logged since the host was installed or the count was cleared.
inline int quietHostLines = 0;

[[gnu::format(printf, 2, 3)]] inline int FormatAndDrop(int, const char* format, ...) {
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  int length = std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  ++quietHostLines;
  return length;
}
inline unsigned short QuietMkClient(const char*, int, int, unsigned char*) {
  return 1;
}
inline unsigned short QuietKorproVer(unsigned char, unsigned int*, char*) {
  return 1;
}
inline unsigned short QuietRmClient(unsigned char) {
  return 1;
}

inline constexpr HostServices kQuietHost = {&FormatAndDrop, &QuietMkClient, &QuietKorproVer,
                                            &QuietRmClient};

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_QUIET_HOST_H_

// Where the stand-in's log lines go.
#ifndef ZAN_KORPRO_LOG_SINK_H_
#define ZAN_KORPRO_LOG_SINK_H_

#include <cstddef>

namespace korpro {

// Appends `length` bytes (one line with its line feed) in one write to the file named by the
// environment variable KORPRO_LOG, or to standard error when it is not set or cannot be opened.
void WriteLogLine(const char* line, std::size_t length);

}  // namespace korpro

#endif  // ZAN_KORPRO_LOG_SINK_H_

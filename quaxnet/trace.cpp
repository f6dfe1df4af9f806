#include "quaxnet/trace.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quaxnet {
namespace {

TraceSink installed = nullptr;

// The file is opened for each line: lines are rare, and nothing stays open between the calls.
void AppendToTraceFile(const char* line) {
  const char* name = std::getenv("QUAXNET_TRACE");
  if (name == nullptr || *name == '\0') return;
  if (std::strcmp(name, "-") == 0) {
    std::fprintf(stderr, "%s\n", line);
    return;
  }
  FILE* file = std::fopen(name, "a");
  if (file == nullptr) return;
  std::fprintf(file, "%s\n", line);
  std::fclose(file);
}

}  // namespace

void Trace(const char* format, ...) {
  char line[256];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (installed != nullptr) {
    installed(line);
  } else {
    AppendToTraceFile(line);
  }
}

void InstallTraceSink(TraceSink sink) {
  installed = sink;
}

}  // namespace quaxnet

#include <unistd.h>

#include <cstdio>

#include "editor/client_name.h"

namespace zan::editor {

void FormatClientName(char* buffer, std::size_t capacity) {
  std::snprintf(buffer, capacity, "ZanDorBr%02ld", static_cast<long>(gettid()));
}

}  // namespace zan::editor

#include <windows.h>

#include <cstdlib>

#include "log_sink.h"

namespace korpro {

void WriteLogLine(const char* line, std::size_t length) {
  const char* path = std::getenv("KORPRO_LOG");
  HANDLE file = INVALID_HANDLE_VALUE;
  if (path != nullptr && path[0] != '\0') {
    // Append-only access makes each WriteFile land whole at the end of the file.
    file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  HANDLE target = file != INVALID_HANDLE_VALUE ? file : GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  WriteFile(target, line, static_cast<DWORD>(length), &written, nullptr);
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace korpro

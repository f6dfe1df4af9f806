#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

#include "log_sink.h"

namespace korpro {

void WriteLogLine(const char* line, std::size_t length) {
  const char* path = std::getenv("KORPRO_LOG");
  int fd = -1;
  if (path != nullptr && path[0] != '\0') {
    fd = open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  }
  // O_APPEND and a single write keep each line whole, even with several writers.
  ssize_t ignored = write(fd >= 0 ? fd : STDERR_FILENO, line, length);
  (void)ignored;
  if (fd >= 0) close(fd);
}

}  // namespace korpro

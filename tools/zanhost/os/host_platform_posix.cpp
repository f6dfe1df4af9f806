#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "os/host_platform.h"

namespace zanhost {

bool SetEnvironment(const std::string& name, const std::string& value) {
  return setenv(name.c_str(), value.c_str(), 1) == 0;
}

std::string GetEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

int ProcessId() {
  return static_cast<int>(getpid());
}

bool IsTerminal(std::FILE* stream) {
  return isatty(fileno(stream)) == 1;
}

bool EnableTerminalEscapes() {
  return IsTerminal(stdout);
}

std::string ExecutableFolder() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  std::string text(path, static_cast<std::size_t>(length));
  std::size_t slash = text.rfind('/');
  return slash == std::string::npos ? "" : text.substr(0, slash + 1);
}

uint64_t ThreadCpuMicroseconds() {
  timespec used{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
  return static_cast<uint64_t>(used.tv_sec) * 1000000u +
         static_cast<uint64_t>(used.tv_nsec) / 1000u;
}

bool LocalTime(std::time_t time, std::tm& local) {
  return localtime_r(&time, &local) != nullptr;
}

std::string ProgramFileName(const std::string& name) {
  return name;
}

}  // namespace zanhost

#include <io.h>
#include <windows.h>

#include <cstdlib>

#include "os/host_platform.h"

namespace zanhost {

bool SetEnvironment(const std::string& name, const std::string& value) {
  // Both the process block (for libraries that ask Windows) and the C runtime's copy (for getenv).
  std::string assignment = name + "=" + value;
  return SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0 &&
         _putenv(assignment.c_str()) == 0;
}

std::string GetEnvironment(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value != nullptr ? value : "";
}

int ProcessId() {
  return static_cast<int>(GetCurrentProcessId());
}

bool IsTerminal(std::FILE* stream) {
  // A console, not a pipe: _isatty is also true for the NUL device, so ask the console itself.
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode = 0;
  return _isatty(_fileno(stream)) != 0 && GetConsoleMode(handle, &mode) != 0;
}

bool EnableTerminalEscapes() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(output, &mode)) return false;
  constexpr DWORD kVirtualTerminalProcessing = 0x0004;
  return SetConsoleMode(output, mode | kVirtualTerminalProcessing) != 0;
}

std::string ExecutableFolder() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "";
  std::string text(path, length);
  std::size_t slash = text.find_last_of("\\/");
  return slash == std::string::npos ? "" : text.substr(0, slash + 1);
}

uint64_t ThreadCpuMicroseconds() {
  FILETIME created;
  FILETIME ended;
  FILETIME system;
  FILETIME user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &system, &user)) return 0;
  auto hundreds = [](const FILETIME& time) {
    return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  return (hundreds(system) + hundreds(user)) / 10;
}

bool LocalTime(std::time_t time, std::tm& local) {
  return localtime_s(&local, &time) == 0;
}

std::string ProgramFileName(const std::string& name) {
  return name + ".exe";
}

}  // namespace zanhost

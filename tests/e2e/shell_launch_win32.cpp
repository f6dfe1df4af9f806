#include <windows.h>

#include <vector>

#include "e2e/shell_launch.h"

namespace zan::e2e {

bool StartShell(const std::string& script, ShellProcess* process) {
  // Wine hands a Linux program its arguments split by the Windows rules: the script is one
  // argument in double quotes.
  std::string line = "/bin/bash -c \"" + script + "\"";
  std::vector<char> commandLine(line.begin(), line.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return false;
  }
  // A Linux program started by wine comes without handles; close whatever was given.
  if (info.hThread != nullptr) CloseHandle(info.hThread);
  if (info.hProcess != nullptr) CloseHandle(info.hProcess);
  process->id = -1;
  return true;
}

void EndShell(ShellProcess* process, bool /*kill*/) {
  process->id = -1;
}

}  // namespace zan::e2e

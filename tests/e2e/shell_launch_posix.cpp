#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "e2e/shell_launch.h"

extern char** environ;

namespace zan::e2e {

bool StartShell(const std::string& script, ShellProcess* process) {
  // Every descriptor of the tests is opened close-on-exec, so the shell gets only 0, 1 and 2.
  char shell[] = "/bin/bash";
  char option[] = "-c";
  std::string text = script;
  char* arguments[] = {shell, option, text.data(), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, shell, nullptr, nullptr, arguments, environ) != 0) return false;
  process->id = pid;
  return true;
}

void EndShell(ShellProcess* process, bool kill) {
  if (process->id <= 0) return;
  const pid_t pid = static_cast<pid_t>(process->id);
  if (kill) ::kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  process->id = -1;
}

}  // namespace zan::e2e

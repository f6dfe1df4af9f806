// Starting a helper program through the shell of this machine (bash), from the Linux build and from
// the Windows build under wine alike: wine's CreateProcess runs a Linux program directly. The
// end-to-end tests start the native PLC simulator, the packet capture and its decoder this way.
#ifndef ZAN_TESTS_E2E_SHELL_LAUNCH_H_
#define ZAN_TESTS_E2E_SHELL_LAUNCH_H_

#include <cstdint>
#include <string>

namespace zan::e2e {

// A started shell: its process id where the platform gives one (Linux), else -1 (under wine the
// Linux process has no Windows handle; it ends by itself when its channel closes).
struct ShellProcess {
  std::intptr_t id = -1;
};

// Starts `/bin/bash -c script`, inheriting no descriptor or handle of the caller. The script must
// not hold double quotes (the Windows command line carries it in them). False when it cannot start.
bool StartShell(const std::string& script, ShellProcess* process);

// Collects the ended process. With `kill`, ends it first; without, the caller knows that it ended
// (its channel closed). Nothing to do where there is no process id.
void EndShell(ShellProcess* process, bool kill);

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_SHELL_LAUNCH_H_

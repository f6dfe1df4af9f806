// What the host tool needs from the operating system besides loading libraries: its environment,
// its process number and whether its output is a terminal.
//
// host_platform_posix.cpp and host_platform_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_HOST_PLATFORM_H_
#define ZAN_TOOLS_ZANHOST_HOST_PLATFORM_H_

#include <cstdio>
#include <ctime>
#include <string>

namespace zanhost {

// Sets `name` to `value` for this process and the libraries it loads; false when refused.
bool SetEnvironment(const std::string& name, const std::string& value);

// The value of `name`, or an empty text when it is not set.
std::string GetEnvironment(const std::string& name);

int ProcessId();

// True when `stream` is an interactive terminal (not a pipe or a file).
bool IsTerminal(std::FILE* stream);

// Makes the terminal behind standard output understand the escape sequences that move the cursor
// and clear lines. False when it cannot; the caller then prints plain lines.
bool EnableTerminalEscapes();

// The folder of the running executable, with a trailing separator; empty when unknown.
std::string ExecutableFolder();

// The local calendar time of `time`; false when the C library cannot tell it.
bool LocalTime(std::time_t time, std::tm& local);

// The file name of a program of ours: "zanplcsim", or "zanplcsim.exe" on Windows.
std::string ProgramFileName(const std::string& name);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_HOST_PLATFORM_H_

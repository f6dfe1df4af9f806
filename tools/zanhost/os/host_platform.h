// What the host tool needs from the operating system besides loading libraries: its environment,
// its process number, whether its output is a terminal and the processor time of its thread.
//
// os/host_platform_posix.cpp and os/host_platform_win32.cpp implement it.
#ifndef ZAN_TOOLS_ZANHOST_OS_HOST_PLATFORM_H_
#define ZAN_TOOLS_ZANHOST_OS_HOST_PLATFORM_H_

#include <cstdint>
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

// The processor time that the calling thread has used, user and system, in microseconds. Windows
// (and wine) count it in scheduler ticks of 10 to 16 ms: only sums over many reads mean anything.
uint64_t ThreadCpuMicroseconds();

// The local calendar time of `time`; false when the C library cannot tell it.
bool LocalTime(std::time_t time, std::tm& local);

// The file name of a program of ours: "zanplcsim", or "zanplcsim.exe" on Windows.
std::string ProgramFileName(const std::string& name);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_OS_HOST_PLATFORM_H_

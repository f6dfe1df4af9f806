// Loads the driver library the way the host does (by file name, ZanMain by name), with our host
// services library beside it, and checks GetDriverInfo and Init against the host's log file.
//
// Usage: driver_smoke <work directory>. The directory receives the configuration file and the log.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "entry/host_interface.h"
#include "platform/shared_library.h"
#include "support/environment.h"

namespace {

#if defined(_WIN32)
constexpr char kDriverFile[] = "zanwndor.dll";
#else
constexpr char kDriverFile[] = "libzanwndor.so";
#endif

int failures = 0;

void Check(bool condition, const std::string& what) {
  if (!condition) {
    std::fprintf(stderr, "FAILED: %s\n", what.c_str());
    ++failures;
  }
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream file(path, std::ios::binary);
  for (std::string line; std::getline(file, line);)
    lines.push_back(line);
  return lines;
}

bool Contains(const std::vector<std::string>& lines, const std::string& wanted) {
  for (const std::string& line : lines) {
    if (line == wanted) return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: driver_smoke <work directory>\n");
    return 2;
  }
  // Load before changing directory: the driver is found beside this program.
  zan::platform::LibraryHandle driver = zan::platform::LoadSharedLibrary(kDriverFile);
  Check(driver != nullptr, std::string("load ") + kDriverFile);
  if (driver == nullptr) return 1;
  auto zanMain = reinterpret_cast<int32_t(ZAN_CDECL*)(ZanRequest*)>(
      zan::platform::FindFunction(driver, "ZanMain"));
  Check(zanMain != nullptr, "ZanMain is exported by name");
  if (zanMain == nullptr) return 1;

  std::filesystem::create_directories(argv[1]);
  std::filesystem::current_path(argv[1]);
  std::filesystem::remove("korpro.log");
  zan::testing::SetEnvironment("KORPRO_LOG", "korpro.log");
  {
    std::ofstream config("zanDOR01.INT", std::ios::binary);
    config << "// smoke test\r\n1=7,127.0.0.1,2\r\n";
  }

  DriverInfo info{};
  ZanRequest request{};
  request.command = kCommandGetDriverInfo;
  request.argument = &info;
  Check(zanMain(&request) == 0, "GetDriverInfo returns 0");
  Check(info.stateSize == 165912, "stateSize is 165912");
  Check(info.driverName != nullptr &&
            std::strcmp(info.driverName, "SIEMENS, SIMATIC S5 & S7 Family") == 0,
        "driver name");
  Check(info.banner != nullptr && std::strlen(info.banner) == 385, "banner of 385 bytes");

  std::vector<unsigned char> state(static_cast<std::size_t>(info.stateSize), 0);
  InitArgument init{};
  init.enabled = 1;
  init.timeoutSetting = 10;
  request = ZanRequest{};
  request.state = reinterpret_cast<DriverState*>(state.data());
  request.command = kCommandInit;
  request.instance = 1;
  request.argument = &init;
  Check(zanMain(&request) == 0, "Init returns 0");

  const std::vector<std::string> log = ReadLines("korpro.log");
  const std::string versionLine =
      "ZanDOR: Siemens S5&S7 TCP/IP driver, Version : 10,0,0,10, compiled on ";
  Check(!log.empty() && log[0].compare(0, versionLine.size(), versionLine) == 0,
        "first log line is the version line: " + (log.empty() ? std::string() : log[0]));
  Check(Contains(log, "ZanDOR: PLC # 1 IP Addr  = 127.0.0.1"), "the PLC row is logged");
  Check(Contains(log, "ZanDOR: PLC # 1 Slot     = 2"), "the slot is logged");

  if (failures == 0) std::printf("driver_smoke: %zu log lines, all checks passed\n", log.size());
  return failures == 0 ? 0 : 1;
}

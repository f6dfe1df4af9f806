// Loads the driver library the way the host does (by file name, ZanMain by name), with our host
// services library beside it, and checks GetDriverInfo and Init against the host's log file.
//
// Usage: driver_smoke <work directory>. The directory receives the configuration file and the log.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"

using namespace zan::e2e;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: driver_smoke <work directory>\n");
    return 2;
  }
  // Load before changing directory: the driver is found beside this program.
  ZanMainFunction zanMain = LoadDriver();
  if (zanMain == nullptr) return 1;
  EnterWorkDirectory(argv[1]);
  {
    std::ofstream config("zanDOR01.INT", std::ios::binary);
    config << "// smoke test\r\n1=7,127.0.0.1,2\r\n";
  }

  DriverInfo info{};
  Check(Send(zanMain, kCommandGetDriverInfo, nullptr, &info) == 0, "GetDriverInfo returns 0");
  Check(info.stateSize == 165912, "stateSize is 165912");
  Check(info.driverName != nullptr &&
            std::strcmp(info.driverName, "SIEMENS, SIMATIC S5 & S7 Family") == 0,
        "driver name");
  Check(info.banner != nullptr && std::strlen(info.banner) == 385, "banner of 385 bytes");

  std::vector<unsigned char> state(static_cast<std::size_t>(info.stateSize), 0);
  InitArgument init{};
  init.enabled = 1;
  init.timeoutSetting = 10;
  Check(Send(zanMain, kCommandInit, state.data(), &init) == 0, "Init returns 0");

  const std::vector<std::string> log = ReadLines("korpro.log");
  const std::string versionLine =
      "ZanDOR: Siemens S5&S7 TCP/IP driver, Version : 10,0,0,10, compiled on ";
  Check(!log.empty() && log[0].compare(0, versionLine.size(), versionLine) == 0,
        "first log line is the version line: " + (log.empty() ? std::string() : log[0]));
  Check(Contains(log, "ZanDOR: PLC # 1 IP Addr  = 127.0.0.1"), "the PLC row is logged");
  Check(Contains(log, "ZanDOR: PLC # 1 Slot     = 2"), "the slot is logged");

  if (Failures() == 0) std::printf("driver_smoke: %zu log lines, all checks passed\n", log.size());
  return Failures() == 0 ? 0 : 1;
}

// The driver binds the transport library the real way and connects configured PLCs through it.
//
// Usage: transport_e2e <work directory> complete|incomplete|missing
//   complete    the test double library beside the driver: every operation is found (by ordinal on
//               Windows), an S7 and an S5 PLC connect, the warm start restarts, the close closes;
//   incomplete  a double that lacks one operation: the open step fails with -2 and nothing is
//               called through a missing function;
//   missing     no transport library at all: the open step fails with -1.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/e2e_support.h"
#include "support/environment.h"

using namespace zan::e2e;

namespace {

void CheckLog(const std::vector<std::string>& log, const std::string& line) {
  Check(Contains(log, line), "log has \"" + line + "\"");
}

void CheckComplete(const std::vector<std::string>& log) {
  CheckLog(log, "ZanDOR: Connection to Plc #1 Success !!!");
  CheckLog(log, "ZanDOR: Read Connection Success, Plc #2 !!! ");
  CheckLog(log, "ZanDOR: Write Connection Success, Plc #2 !!! ");
  CheckLog(log, "ZanDOR: Reconnect Success, Plc #1 !!! ");
  CheckLog(log, "ZanDOR: Warm start return 0");

  const std::vector<std::string> journal = ReadLines("transport.log");
  // Every connection is opened before any is waited for.
  const std::vector<std::string> expected = {
      "252",
      "225 len=86 off=54 ip=7F000001 port=102 const=2,4,1045,24 timeout=100 "
      "remote=2:0302000000000000 local=2:0101000000000000",
      "224 len=86 off=54 ip=7F000002 port=102 const=2,4,1045,24 timeout=100 "
      "remote=8:4B4F525245414420 local=8:4C4F43414C303100",
      "224 len=86 off=54 ip=7F000002 port=102 const=2,4,1045,24 timeout=100 "
      "remote=8:4B4F525752495445 local=8:4C4F43414C303100",
      "124 h=1",
      "124 h=2",
      "124 h=3",
      "125 h=1",
      "124 h=1",
      "253",
  };
  Check(journal == expected, "the transport saw the expected calls");
  if (journal != expected) {
    for (const std::string& line : journal)
      std::fprintf(stderr, "  transport: %s\n", line.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: transport_e2e <work directory> complete|incomplete|missing\n");
    return 2;
  }
  const std::string mode = argv[2];
  ZanMainFunction zanMain = LoadDriver();
  if (zanMain == nullptr) return 1;
  EnterWorkDirectory(argv[1]);
  zan::testing::SetEnvironment("QUAXNET_DOUBLE_LOG", "transport.log");
  {
    std::ofstream config("zanDOR01.INT", std::ios::binary);
    config << "1=7,127.0.0.1,2\n2=5,127.0.0.2,LOCAL01\n";
  }

  std::vector<unsigned char> state(165912, 0);
  InitArgument init{};
  init.enabled = 1;
  init.timeoutSetting = 10;
  Check(Send(zanMain, kCommandInit, state.data(), &init) == 0, "Init returns 0");
  int32_t plc = 1;
  int32_t warmStart = Send(zanMain, kCommandWarmStart, state.data(), &plc);
  Check(Send(zanMain, kCommandCloseTransport, state.data(), nullptr) == 0, "close returns 0");

  const std::vector<std::string> log = ReadLines("korpro.log");
  if (mode == "complete") {
    Check(warmStart == 0, "the warm start restarted PLC 1");
    CheckComplete(log);
  } else {
    CheckLog(log, mode == "missing" ? "ZanDOR: Fail to open Ip Driver (-1)"
                                    : "ZanDOR: Fail to open Ip Driver (-2)");
    Check(warmStart == 1, "a warm start without transport restarts nothing");
    CheckLog(log, "ZanDOR: Fail to close driver !");
    Check(ReadLines("transport.log").empty(), "nothing of the library was called");
  }
  if (Failures() != 0) {
    for (const std::string& line : log)
      std::fprintf(stderr, "  log: %s\n", line.c_str());
    return 1;
  }
  std::printf("transport_e2e %s: all checks passed\n", mode.c_str());
  return 0;
}

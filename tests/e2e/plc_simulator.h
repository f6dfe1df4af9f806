// The PLC simulator (zanplcsim) as a test fixture: started on loopback with a free port, driven
// through its command lines, stopped at the end. The native simulator serves the Linux build and
// the Windows build under wine alike.
//
// Which program: the environment variable ZAN_PLCSIM, else the one the build names.
#ifndef ZAN_TESTS_E2E_PLC_SIMULATOR_H_
#define ZAN_TESTS_E2E_PLC_SIMULATOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "e2e/shell_channel.h"

namespace zan::e2e {

class PlcSimulator {
 public:
  // The simulator program named by ZAN_PLCSIM, else the build's; "" when neither names one.
  static std::string ProgramPath();

  // True when ProgramPath() names a program that can run; otherwise `why` says what is missing.
  static bool Available(std::string* why);

  // Starts the simulator in the current directory with --port 0 and one --plc argument for each
  // of `plcLines` (all on 127.0.0.0/8), its log in "plcsim.log", and waits for its ready line.
  bool Start(const std::vector<std::string>& plcLines, std::string* why);

  uint16_t port() const { return port_; }
  std::intptr_t processId() const { return channel_.processId(); }

  // Sends one control command and returns its answer line ("ok ..." or "error ..."), or "" when
  // none came.
  std::string Command(const std::string& line);

  // The bytes of a PLC's memory (`area`: db<n>, m, i or q); empty when the simulator refuses.
  std::vector<uint8_t> Get(int plc, const std::string& area, int byte, int count);

  // Sets bytes of a PLC's memory; false when the simulator refuses.
  bool Set(int plc, const std::string& area, int byte, const std::vector<uint8_t>& bytes);

  // Tells the simulator to quit and waits for it to end; true when it ended.
  bool Stop();

  // The simulator's log, for a failure report.
  static std::string LogText();

 private:
  ShellChannel channel_;
  uint16_t port_ = 0;
  bool running_ = false;
};

// "ok 12 34" -> {0x12, 0x34}; the word "ok" is required.
std::vector<uint8_t> ParseHexAnswer(const std::string& answer);

// The value of `key=` in a status answer ("... established=1 ..."), -1 when absent.
long StatusField(const std::string& answer, const std::string& key);

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_PLC_SIMULATOR_H_

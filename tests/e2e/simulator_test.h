// The fixture of the end-to-end tests against the PLC simulator: the driver library loaded once as
// the host loads it, a fresh work directory per test (configuration file, host log, simulator
// log), a simulator started by the test with the PLCs it needs, and a driver instance.
//
// At the end of each test the instance closes its transport and the simulator is stopped; a
// failed test shows the host log and the simulator's log.
#ifndef ZAN_TESTS_E2E_SIMULATOR_TEST_H_
#define ZAN_TESTS_E2E_SIMULATOR_TEST_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "e2e/driver_session.h"
#include "e2e/plc_simulator.h"

namespace zan::e2e {

class SimulatorTest : public ::testing::Test {
 public:
  // Loads the driver and notes the folder that the work directories go into; main calls it once
  // before the tests run. False when the driver cannot be loaded.
  static bool Prepare();

 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts the simulator with `plcLines`; the test stops at a failure to start.
  void StartSimulator(const std::vector<std::string>& plcLines);

  // Init of the driver instance against the simulator; the time-out setting 100 gives the driver
  // time-out 1000 ms, which even a loaded machine keeps well inside.
  int32_t Init(const std::string& configuration, int32_t timeoutSetting = 100);

  // Defines a tag, failing the test when the driver refuses it.
  void Define(HostTag& tag, const std::string& text, int32_t hostType = kHostWord,
              int32_t tagId = 0);

  // Reads the tag with command 6 into a cleared buffer: {result, first 16-bit value}.
  std::pair<int32_t, uint16_t> Read(HostTag& tag);

  // The simulator's count `key` ("connections", "established", "requests") of `plc`, asked until
  // it equals `wanted` or 100 times: each command is one more turn of the simulator's loop, so it
  // has seen the closes and connects that the driver made before. The last value seen.
  long SettledStatus(int plc, const std::string& key, long wanted);

  // How many lines of the host log are `line`.
  static long LoggedCount(const std::string& line);

  PlcSimulator& simulator() { return simulator_; }
  DriverSession& driver() { return *driver_; }

 private:
  static ZanMainFunction zanMain_;
  PlcSimulator simulator_;
  std::unique_ptr<DriverSession> driver_;
};

// The Init line of an S7 PLC n on 127.0.0.n (127.0.1.x from 256 on) with slot 2.
std::string S7Line(int plc);

// The length of the plant soak in seconds (20 unless the command line says --soak-seconds=N).
void SetSoakSeconds(int seconds);

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_SIMULATOR_TEST_H_

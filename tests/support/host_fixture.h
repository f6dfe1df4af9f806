// A fixture that plays the host: it owns a zero-filled DriverState, builds requests as the host
// builds them, captures every log line exactly, stands in for the driver's sleep and clock (the
// clock advances by each sleep the driver asks for, and by nothing else), and runs each test in a
// fresh temporary current directory that holds the configuration files the test writes.
#ifndef ZAN_TESTS_SUPPORT_HOST_FIXTURE_H_
#define ZAN_TESTS_SUPPORT_HOST_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "support/scripted_transport.h"

namespace zan::testing {

class HostFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  DriverState& state() { return *state_; }
  PlcEntry& plc(int number) { return state_->plcs[number]; }

  // Sends `command` through ZanMain with this fixture's state and `instance`.
  int32_t Send(int32_t command, void* argument, int32_t instance = 1);

  // Init with `enabled` 1 and the time-out setting given.
  int32_t Init(int32_t timeoutSetting = 10, int32_t instance = 1);

  // Writes a file into the test's current directory.
  void WriteFile(const std::string& name, const std::string& contents);

  // The configuration file of `instance`.
  void WriteConfiguration(const std::string& contents, int instance = 1);

  // Every line logged since the last ClearLog, as the host would record it.
  const std::vector<std::string>& log() const;
  void ClearLog();

  // The sleeps that the driver asked for, in milliseconds.
  const std::vector<uint32_t>& sleeps() const;

  // The driver's clock in milliseconds, and a move of it (time that passes outside the sleeps).
  uint64_t now() const;
  static void AdvanceClock(uint32_t milliseconds);
  // From now on every sleep lasts a whole number of ticks of `milliseconds` (at least one), as on
  // a platform whose shortest sleep is one scheduler tick; 0 goes back to exact sleeps.
  static void SleepTick(uint32_t milliseconds);

  // The transport of every test: no test ever loads a real library by accident.
  ScriptedTransport& transport() { return *transport_; }

 private:
  std::unique_ptr<DriverState> state_;
  std::unique_ptr<ScriptedTransport> transport_;
  std::filesystem::path previousDirectory_;
  std::filesystem::path directory_;
};

// The lines a logged PLC row produces, for comparing whole logs.
std::vector<std::string> S7RowLog(int plc, const std::string& address, int slot, int type = 7);
std::vector<std::string> S5RowLog(int plc, const std::string& address, const std::string& local,
                                  const std::string& read, const std::string& write);

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_HOST_FIXTURE_H_

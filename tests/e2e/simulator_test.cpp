#include "e2e/simulator_test.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace zan::e2e {
namespace {

std::filesystem::path workRoot;

}  // namespace

ZanMainFunction SimulatorTest::zanMain_ = nullptr;

bool SimulatorTest::Prepare() {
  // Loaded before any change of directory: the driver is found beside this program.
  zanMain_ = LoadDriver();
  workRoot = std::filesystem::current_path() / "simulator-e2e-work";
  return zanMain_ != nullptr;
}

void SimulatorTest::SetUp() {
  ASSERT_NE(zanMain_, nullptr);
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::remove_all(workRoot / test->name());
  EnterWorkDirectory((workRoot / test->name()).string());
  std::filesystem::remove("plcsim.log");
  driver_ = std::make_unique<DriverSession>(zanMain_);
}

void SimulatorTest::TearDown() {
  // The transport library is one per process: the next test starts with no connection.
  driver_->CloseTransport();
  const bool stopped = simulator_.Stop();
  EXPECT_TRUE(stopped) << "the simulator did not end when told to quit";
  if (HasFailure()) {
    std::string log;
    for (const std::string& line : DriverSession::Log())
      log += "  " + line + "\n";
    std::fprintf(stderr, "host log:\n%ssimulator log:\n%s", log.c_str(),
                 PlcSimulator::LogText().c_str());
  }
}

void SimulatorTest::StartSimulator(const std::vector<std::string>& plcLines) {
  std::string why;
  ASSERT_TRUE(simulator_.Start(plcLines, &why)) << why;
}

int32_t SimulatorTest::Init(const std::string& configuration, int32_t timeoutSetting) {
  // Without a simulator the transport would try port 102 of the configured addresses.
  if (simulator_.port() == 0) {
    ADD_FAILURE() << "Init without a running simulator";
    return -1;
  }
  return driver_->Init(configuration, simulator_.port(), timeoutSetting);
}

void SimulatorTest::Define(HostTag& tag, const std::string& text, int32_t hostType, int32_t tagId) {
  ASSERT_TRUE(driver_->Define(tag, text, hostType, tagId)) << "the driver refused " << text;
}

std::pair<int32_t, uint16_t> SimulatorTest::Read(HostTag& tag) {
  std::memset(tag.values, 0, sizeof tag.values);
  const int32_t result = driver_->Send(kCommandReadBlock, tag);
  return {result, tag.Word()};
}

long SimulatorTest::SettledStatus(int plc, const std::string& key, long wanted) {
  long value = -1;
  for (int turn = 0; turn < 100 && value != wanted; ++turn)
    value = StatusField(simulator_.Command("status " + std::to_string(plc)), key);
  return value;
}

long SimulatorTest::LoggedCount(const std::string& line) {
  long count = 0;
  for (const std::string& logged : DriverSession::Log())
    count += logged == line;
  return count;
}

std::string S7Line(int plc) {
  return std::to_string(plc) + "=7,127.0." + std::to_string(plc / 256) + "." +
         std::to_string(plc % 256) + ",2\n";
}

}  // namespace zan::e2e

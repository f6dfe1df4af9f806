#include "support/host_fixture.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>

#include "core/clock.h"
#include "core/host_services.h"
#include "core/sleep.h"
#include "transport/opened_connections.h"

namespace zan::testing {
namespace {

std::vector<std::string> capturedLog;
std::vector<uint32_t> capturedSleeps;
// The driver's clock: it moves only when the driver sleeps (or a test moves it).
uint64_t fakeNow = 0;
// 0, or the scheduler tick that every sleep lasts a whole number of.
uint32_t sleepTick = 0;

[[gnu::format(printf, 2, 3)]] int CaptureErr(int level, const char* format, ...) {
  EXPECT_EQ(level, kLogLevel) << "every message is logged at level 32";
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string line(static_cast<std::size_t>(length), '\0');
  std::vsnprintf(line.data(), line.size() + 1, format, arguments);
  va_end(arguments);
  EXPECT_EQ(line.find('\n'), std::string::npos) << "a message is one line: " << line;
  capturedLog.push_back(line);
  return length;
}

unsigned short FakeMkClient(const char*, int, int, unsigned char* client) {
  *client = 1;
  return 0;
}

unsigned short FakeKorproVer(unsigned char, unsigned int* version, char* text) {
  *version = 820;
  std::strcpy(text, "fake host");
  return 0;
}

unsigned short FakeRmClient(unsigned char) {
  return 0;
}

const HostServices kFakeHost = {&CaptureErr, &FakeMkClient, &FakeKorproVer, &FakeRmClient};

void RecordSleep(uint32_t milliseconds) {
  capturedSleeps.push_back(milliseconds);
  fakeNow += sleepTick == 0 ? milliseconds : (milliseconds + sleepTick - 1) / sleepTick * sleepTick;
}

uint64_t FakeClock() {
  return fakeNow;
}

}  // namespace

void HostFixture::SetUp() {
  // The host hands over a zero-filled block.
  state_ = std::make_unique<DriverState>();
  std::memset(state_.get(), 0, sizeof(DriverState));
  capturedLog.clear();
  capturedSleeps.clear();
  InstallHostServices(&kFakeHost);
  InstallSleepFunction(&RecordSleep);
  fakeNow = 1000000;  // far from zero: a wait must not depend on where the clock starts
  sleepTick = 0;
  InstallClockFunction(&FakeClock);
  transport_ = std::make_unique<ScriptedTransport>();

  previousDirectory_ = std::filesystem::current_path();
  std::random_device random;
  directory_ = std::filesystem::temp_directory_path() /
               ("zan-test-" + std::to_string(random()) + "-" + std::to_string(random()));
  std::filesystem::create_directories(directory_);
  std::filesystem::current_path(directory_);
}

void HostFixture::TearDown() {
  std::filesystem::current_path(previousDirectory_);
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
  // The record of connections is the process's: no test inherits another's.
  ForgetAllOpenedConnections();
  transport_.reset();
  InstallClockFunction(nullptr);
  InstallSleepFunction(nullptr);
  InstallHostServices(nullptr);
}

int32_t HostFixture::Send(int32_t command, void* argument, int32_t instance) {
  ZanRequest request{};
  request.state = state_.get();
  request.command = command;
  request.instance = instance;
  request.argument = argument;
  return ZanMain(&request);
}

int32_t HostFixture::Init(int32_t timeoutSetting, int32_t instance) {
  InitArgument argument{};
  argument.enabled = 1;
  argument.timeoutSetting = timeoutSetting;
  return Send(kCommandInit, &argument, instance);
}

void HostFixture::WriteFile(const std::string& name, const std::string& contents) {
  std::ofstream file(directory_ / name, std::ios::binary);
  file << contents;
}

void HostFixture::WriteConfiguration(const std::string& contents, int instance) {
  char name[32];
  std::snprintf(name, sizeof name, "zanDOR%02d.INT", instance);
  WriteFile(name, contents);
}

const std::vector<std::string>& HostFixture::log() const {
  return capturedLog;
}
void HostFixture::ClearLog() {
  capturedLog.clear();
}
const std::vector<uint32_t>& HostFixture::sleeps() const {
  return capturedSleeps;
}
uint64_t HostFixture::now() const {
  return fakeNow;
}
void HostFixture::AdvanceClock(uint32_t milliseconds) {
  fakeNow += milliseconds;
}
void HostFixture::SleepTick(uint32_t milliseconds) {
  sleepTick = milliseconds;
}

std::vector<std::string> S7RowLog(int plc, const std::string& address, int slot, int type) {
  const std::string p = "ZanDOR: PLC # " + std::to_string(plc);
  return {"ZanDOR: =========================================",
          p + " Type     = " + std::to_string(type), p + " IP Addr  = " + address,
          p + " Slot     = " + std::to_string(slot),
          "ZanDOR: ========================================="};
}

std::vector<std::string> S5RowLog(int plc, const std::string& address, const std::string& local,
                                  const std::string& read, const std::string& write) {
  const std::string p = "ZanDOR: PLC # " + std::to_string(plc);
  return {"ZanDOR: =========================================",
          p + " Type     = 5",
          p + " IP Addr  = " + address,
          p + " LTSAP    = <" + local + ">",
          p + " RTSAP    = <" + read + ">",
          p + " WTSAP    = <" + write + ">",
          "ZanDOR: ========================================="};
}

}  // namespace zan::testing

// The serial port commands on every platform: the null device, a port that does not exist, names
// that do not fit, close failures, and the modem lines that lineFlags selects.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "serial/serial_line.h"
#include "serial/serial_port.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

class PortCommandsTest : public HostFixture {
 protected:
  void TearDown() override {
    EXPECT_TRUE(state().portHandle == 0 || CloseSerialPort(state().portHandle));
    HostFixture::TearDown();
  }

  int32_t Configure(const char* name, int32_t timeout = 0, uint16_t baudRate = 0) {
    PortSettings settings{};
    std::strncpy(settings.portName, name, sizeof settings.portName);
    settings.timeout = timeout;
    settings.baudRate = baudRate;
    settings.byteSize = 8;
    return Send(kCommandConfigurePort, &settings);
  }
};

TEST_F(PortCommandsTest, NullDeviceOpensWithoutLineSettingsAndCloses) {
  state().timeout = 1000;
  state().baudRate = 4711;  // no platform has this speed: NUL is not configured
  EXPECT_EQ(Configure("NUL", 25), 0);
  EXPECT_NE(state().portHandle, 0u);
  EXPECT_EQ(state().channelActive, 1);
  EXPECT_EQ(state().timeout, 25);
  EXPECT_EQ(state().baudRate, 4711) << "baudRate 0 keeps the stored line settings";

  EXPECT_EQ(Send(kCommandClosePort, nullptr), 0);
  EXPECT_EQ(state().portHandle, 0u);
  EXPECT_EQ(state().channelActive, 1) << "closing does not clear channelActive";
  EXPECT_EQ(Send(kCommandClosePort, nullptr), 0) << "nothing open";

  // The null device admits many opens: an open over an open handle closes the old one.
  ASSERT_EQ(Send(kCommandOpenPort, nullptr), 0);
  const PortHandle first = state().portHandle;
  ASSERT_EQ(Send(kCommandOpenPort, nullptr), 0);
  EXPECT_NE(state().portHandle, first);
  EXPECT_FALSE(CloseSerialPort(first)) << "closed already";
}

TEST_F(PortCommandsTest, MissingPortFailsAndRecordsNoHandle) {
  EXPECT_EQ(Configure("NOPORT", 30, 9600), 2);
  EXPECT_EQ(state().portHandle, 0u);
  EXPECT_EQ(state().channelActive, 0);
  EXPECT_STREQ(state().portName, "NOPORT") << "what was stored stays stored";
  EXPECT_EQ(state().timeout, 30);
  EXPECT_EQ(state().baudRate, 9600);
  EXPECT_EQ(Send(kCommandOpenPort, nullptr), 2);

  // Naming another port closes the open one first, even when the new one then fails.
  ASSERT_EQ(Configure("NUL"), 0);
  EXPECT_EQ(Configure("NOPORT"), 2);
  EXPECT_EQ(state().portHandle, 0u);
}

TEST_F(PortCommandsTest, NameThatFillsItsFieldIsRefusedBeforeAnythingChanges) {
  ASSERT_EQ(Configure("NUL", 25), 0);
  std::vector<unsigned char> before(sizeof(DriverState));
  std::memcpy(before.data(), &state(), before.size());

  PortSettings settings{};
  std::memset(settings.portName, 'A', sizeof settings.portName);  // 12 characters, no terminator
  settings.timeout = 99;
  settings.baudRate = 9600;
  EXPECT_EQ(Send(kCommandConfigurePort, &settings), 2);
  EXPECT_EQ(std::memcmp(before.data(), &state(), before.size()), 0);

  std::memset(state().portName, 'A', sizeof state().portName);
  EXPECT_EQ(Send(kCommandOpenPort, nullptr), 2);
  EXPECT_EQ(state().portHandle, reinterpret_cast<DriverState*>(before.data())->portHandle);
}

TEST_F(PortCommandsTest, CloseThatThePlatformRefusesKeepsTheHandle) {
  state().portHandle = 0x7FFFFFF0;  // no handle of this process
  EXPECT_EQ(Send(kCommandClosePort, nullptr), 2);
  EXPECT_EQ(state().portHandle, 0x7FFFFFF0u);
  state().portHandle = 0;
}

TEST(LineFlagsTest, FirstMatchingTestDecides) {
  using enum LineControl;
  struct Row {
    uint16_t lineFlags;
    LineControl dtr, rts;
  };
  const Row rows[] = {
      {0x0000, kOff, kOff},       {0x0001, kOn, kOff},        {0x0100, kOn, kOff},
      {0x8000, kHandshake, kOff}, {0x8100, kOn, kOff},        {0x0002, kOff, kOn},
      {0x0200, kOff, kOn},        {0x1000, kOff, kHandshake}, {0x2000, kOff, kToggle},
      {0x3000, kOff, kHandshake}, {0x2200, kOff, kOn},        {0x4000, kOff, kOff},
      {0xFFFF, kOn, kOn}};
  for (const Row& row : rows) {
    EXPECT_EQ(DtrControlFor(row.lineFlags), row.dtr) << std::hex << row.lineFlags;
    EXPECT_EQ(RtsControlFor(row.lineFlags), row.rts) << std::hex << row.lineFlags;
  }
}

}  // namespace
}  // namespace zan::testing

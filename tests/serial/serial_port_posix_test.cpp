// The serial port commands against a pseudo-terminal: the line settings are read back from its
// master side, the other end of the line.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "serial/line_format_posix.h"
#include "serial/serial_port.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

// The test's own descriptors, without the one that lists them.
int OpenDescriptors() {
  DIR* folder = opendir("/proc/self/fd");
  int count = 0;
  while (folder != nullptr && readdir(folder) != nullptr)
    ++count;
  if (folder != nullptr) closedir(folder);
  return count;
}

bool IsOpen(PortHandle handle) {
  return fcntl(static_cast<int>(handle), F_GETFD) != -1;
}

class SerialPortPosixTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    // A short name for the terminal, whatever its number: "./tty" in the test's folder.
    ASSERT_EQ(symlink(ptsname(master_), "tty"), 0);
  }

  void TearDown() override {
    for (DriverState* instance : {&state(), other_.get()}) {
      if (instance->portHandle != 0) {
        EXPECT_TRUE(CloseSerialPort(instance->portHandle));
      }
    }
    close(master_);
    HostFixture::TearDown();
  }

  int32_t Configure(DriverState& instance, const char* name, uint16_t baudRate, uint16_t byteSize,
                    uint16_t stopBits, uint16_t parity, int32_t timeout = 0) {
    PortSettings settings{};
    std::strncpy(settings.portName, name, sizeof settings.portName);
    settings.timeout = timeout;
    settings.baudRate = baudRate;
    settings.byteSize = byteSize;
    settings.stopBits = stopBits;
    settings.parity = parity;
    ZanRequest request{};
    request.state = &instance;
    request.command = kCommandConfigurePort;
    request.argument = &settings;
    return ZanMain(&request);
  }

  int32_t ConfigureTty(uint16_t baudRate = 9600, int32_t timeout = 0) {
    return Configure(state(), "./tty", baudRate, 8, 0, 0, timeout);
  }

  termios Line() const {
    termios line{};
    EXPECT_EQ(tcgetattr(master_, &line), 0);
    return line;
  }

  int master_ = -1;
  std::unique_ptr<DriverState> other_ = std::make_unique<DriverState>();  // a second instance
};

TEST_F(SerialPortPosixTest, LineSettingsReachTheOtherSide) {
  struct Row {
    uint16_t baudRate, stopBits;
    int32_t timeout;
    speed_t speed;
    tcflag_t stopFlag;
    cc_t readTenths;
  };
  state().timeout = 1000;
  for (const Row& row : std::vector<Row>{
           {9600, 0, 0, B9600, 0, 100},             // time-out 0 keeps 1000: 10 s
           {19200, 0x0102, 25, B19200, CSTOPB, 3},  // low byte only: two stop bits
           {50, 2, 1, B50, CSTOPB, 1},
           {57600, 0, 3000, B57600, 0, 255},  // at most 25.5 s
       }) {
    SCOPED_TRACE(row.baudRate);
    ASSERT_EQ(Configure(state(), "./tty", row.baudRate, 8, row.stopBits, 0, row.timeout), 0);
    const termios line = Line();
    EXPECT_EQ(cfgetospeed(&line), row.speed);
    EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | PARENB), CS8 | row.stopFlag);
    EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL | CRTSCTS), CREAD | CLOCAL);
    EXPECT_EQ(line.c_iflag & (INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK), INPCK);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], row.readTenths);
    ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  }

  // baudRate 0 keeps the stored settings (seven bits with parity would fail on this terminal);
  // OpenPort leaves the read time-out of the open, 1 s.
  ASSERT_EQ(Configure(state(), "./tty", 0, 7, 0, 2), 0);
  ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  ASSERT_EQ(Send(kCommandOpenPort, nullptr), 0);
  const termios reopened = Line();
  EXPECT_EQ(cfgetospeed(&reopened), B57600);
  EXPECT_EQ(reopened.c_cc[VTIME], 10);
}

TEST_F(SerialPortPosixTest, SettingsTheLineCannotTakeFailAndLeaveNothingOpen) {
  struct Row {
    uint16_t baudRate, byteSize, stopBits, parity;
  };
  const int descriptors = OpenDescriptors();
  for (const Row& row : std::vector<Row>{{14400, 8, 0, 0},
                                         {65535, 8, 0, 0},
                                         {9600, 4, 0, 0},
                                         {9600, 9, 0, 0},
                                         {9600, 8, 1, 0},  // one and a half needs five bits
                                         {9600, 5, 2, 0},
                                         {9600, 8, 3, 0},
                                         {9600, 8, 0, 5},
                                         {9600, 7, 0, 0},     // the pseudo-terminal keeps 8 bits
                                         {9600, 8, 0, 2}}) {  // and no parity
    SCOPED_TRACE(::testing::Message() << row.baudRate << " " << row.byteSize << " " << row.stopBits
                                      << " " << row.parity);
    EXPECT_EQ(Configure(state(), "./tty", row.baudRate, row.byteSize, row.stopBits, row.parity), 2);
    EXPECT_EQ(state().portHandle, 0u);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
  WriteFile("plain-file", "not a terminal");
  EXPECT_EQ(Configure(state(), "./plain-file", 9600, 8, 0, 0), 2) << "not a terminal";
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(SerialPortPosixTest, PortAdmitsOneOpenHandle) {
  ASSERT_EQ(ConfigureTty(), 0);
  const PortHandle first = state().portHandle;
  // The same name again is not closed first: the second open fails, the first handle stays.
  EXPECT_EQ(ConfigureTty(19200), 2);
  EXPECT_EQ(state().portHandle, first);
  EXPECT_TRUE(IsOpen(first));
  EXPECT_EQ(Send(kCommandOpenPort, nullptr), 2);
  EXPECT_EQ(Configure(*other_, "./tty", 9600, 8, 0, 0), 2) << "another instance";

  // Naming another port closes this one first, so the other instance can have it.
  ASSERT_EQ(Configure(state(), "NUL", 0, 0, 0, 0), 0);
  EXPECT_EQ(Configure(*other_, "./tty", 9600, 8, 0, 0), 0);
}

TEST_F(SerialPortPosixTest, NamesWithoutSlashAreDevicesAndNoHandleIsZero) {
  EXPECT_EQ(Configure(state(), "ptmx", 9600, 8, 0, 0), 0) << "/dev/ptmx";
  ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);

  // With standard input closed, the next descriptor would be 0, which means "no port".
  const int input = dup(0);  // -1 when it is closed already
  if (input >= 0) close(0);
  EXPECT_EQ(ConfigureTty(), 0);
  EXPECT_NE(state().portHandle, 0u);
  EXPECT_FALSE(IsOpen(0));
  if (input >= 0) {
    dup2(input, 0);
    close(input);
  }
}

TEST(LineFormatTest, DataBitsStopBitsAndParity) {
  struct Row {
    uint16_t byteSize, stopBits, parity;
    tcflag_t flags;
  };
  for (const Row& row : std::vector<Row>{
           {8, 0, 0, CS8},
           {7, 0, 1, CS7 | PARENB | PARODD},
           {0x0306, 0x0402, 0x0502, CS6 | CSTOPB | PARENB},  // low bytes only
           {5, 1, 3, CS5 | CSTOPB | PARENB | PARODD | CMSPAR},
           {8, 2, 4, CS8 | CSTOPB | PARENB | CMSPAR},
       }) {
    tcflag_t flags = 0;
    EXPECT_TRUE(FormatFlags(LineSettings{9600, row.byteSize, row.stopBits, row.parity}, &flags));
    EXPECT_EQ(flags, row.flags) << row.byteSize << " " << row.stopBits << " " << row.parity;
  }
}

}  // namespace
}  // namespace zan::testing

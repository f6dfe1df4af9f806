// The serial port commands against a pseudo-terminal: the line settings are read back from its
// master side, the other end of the line.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "serial/line_format_posix.h"
#include "serial/serial_port.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

int OpenDescriptors() {
  DIR* folder = opendir("/proc/self/fd");
  int count = 0;
  while (folder != nullptr && readdir(folder) != nullptr)
    ++count;
  if (folder != nullptr) closedir(folder);
  return count;
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
      EXPECT_TRUE(instance->portHandle == 0 || CloseSerialPort(instance->portHandle));
    }
    close(master_);
    HostFixture::TearDown();
  }

  int32_t Configure(PortSettings settings, DriverState* instance = nullptr) {
    ZanRequest request{
        instance != nullptr ? instance : &state(), kCommandConfigurePort, 1, {}, &settings};
    return ZanMain(&request);
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
    PortSettings settings;
    speed_t speed;
    tcflag_t stopFlag;
    cc_t readTenths;
  };
  state().timeout = 1000;
  const Row rows[] = {{{"./tty", 0, 9600, 8, 0, 0}, B9600, 0, 100},  // time-out 0 keeps 1000
                      {{"./tty", 25, 19200, 8, 0x0102, 0}, B19200, CSTOPB, 3},  // low byte only
                      {{"./tty", 1, 50, 8, 2, 0}, B50, CSTOPB, 1},
                      {{"./tty", 3000, 57600, 8, 0, 0}, B57600, 0, 255}};  // at most 25.5 s
  for (const Row& row : rows) {
    SCOPED_TRACE(row.settings.baudRate);
    ASSERT_EQ(Configure(row.settings), 0);
    const termios line = Line();
    EXPECT_EQ(cfgetospeed(&line), row.speed);
    EXPECT_EQ(line.c_cflag & (CSIZE | CSTOPB | PARENB | CREAD | CLOCAL | CRTSCTS),
              CS8 | row.stopFlag | CREAD | CLOCAL);
    EXPECT_EQ(line.c_iflag & (INPCK | IXON | IXOFF | ISTRIP | ICRNL | PARMRK), INPCK);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], row.readTenths);
    ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  }

  // baudRate 0 keeps the stored settings (seven bits with parity would fail on this terminal);
  // OpenPort leaves the read time-out of the open, 1 s.
  ASSERT_EQ(Configure({"./tty", 0, 0, 7, 0, 2}), 0);
  ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  ASSERT_EQ(Send(kCommandOpenPort, nullptr), 0);
  const termios reopened = Line();
  EXPECT_EQ(cfgetospeed(&reopened), B57600);
  EXPECT_EQ(reopened.c_cc[VTIME], 10);
}

TEST_F(SerialPortPosixTest, SettingsTheLineCannotTakeFailAndLeaveNothingOpen) {
  const int descriptors = OpenDescriptors();
  const PortSettings rows[] = {
      {"./tty", 0, 14400, 8, 0, 0}, {"./tty", 0, 65535, 8, 0, 0}, {"./tty", 0, 9600, 4, 0, 0},
      {"./tty", 0, 9600, 9, 0, 0},  {"./tty", 0, 9600, 8, 1, 0},  // 1.5 stop bits need 5 data bits
      {"./tty", 0, 9600, 5, 2, 0},  {"./tty", 0, 9600, 8, 3, 0},  {"./tty", 0, 9600, 8, 0, 5},
      {"./tty", 0, 9600, 7, 0, 0},  {"./tty", 0, 9600, 8, 0, 2},  // a pseudo-terminal: 8N only
      {"./plain", 0, 9600, 8, 0, 0}};                             // no terminal at all
  WriteFile("plain", "text");
  for (const PortSettings& row : rows) {
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(Configure(row), 2);
    EXPECT_EQ(state().portHandle, 0u);
  }
  EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(SerialPortPosixTest, PortAdmitsOneOpenHandle) {
  ASSERT_EQ(Configure({"./tty", 0, 9600, 8, 0, 0}), 0);
  const PortHandle first = state().portHandle;
  // The same name again is not closed first: the second open fails, the first handle stays.
  EXPECT_EQ(Configure({"./tty", 0, 19200, 8, 0, 0}), 2);
  EXPECT_EQ(state().portHandle, first);
  EXPECT_NE(fcntl(static_cast<int>(first), F_GETFD), -1);
  EXPECT_EQ(Send(kCommandOpenPort, nullptr), 2);
  EXPECT_EQ(Configure({"./tty", 0, 9600, 8, 0, 0}, other_.get()), 2) << "another instance";

  // Naming another port closes this one first, so the other instance can have it.
  ASSERT_EQ(Configure({"NUL", 0, 0, 0, 0, 0}), 0);
  EXPECT_EQ(Configure({"./tty", 0, 9600, 8, 0, 0}, other_.get()), 0);
}

TEST_F(SerialPortPosixTest, NamesThatAreNoPathsAreDevicesAndNoHandleIsZero) {
  EXPECT_EQ(Configure({"ptmx", 0, 9600, 8, 0, 0}), 0) << "/dev/ptmx";
  ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  // pts/N is under /dev as ttyUSB0 is; a full path stands as it is.
  const std::string terminal = ptsname(master_);
  for (const std::string& name : {terminal.substr(5), terminal}) {
    if (name.size() >= sizeof(PortSettings::portName)) continue;  // a terminal numbered 100 or more
    PortSettings settings{{}, 0, 9600, 8, 0, 0};
    std::snprintf(settings.portName, sizeof settings.portName, "%s", name.c_str());
    EXPECT_EQ(Configure(settings), 0) << name;
    ASSERT_EQ(Send(kCommandClosePort, nullptr), 0);
  }
  // No name stored (OpenPort before any ConfigurePort) opens nothing.
  ZanRequest open{other_.get(), kCommandOpenPort, 1, {}, nullptr};
  EXPECT_EQ(ZanMain(&open), 2);
  EXPECT_EQ(other_->portHandle, 0u);

  // With standard input closed, the next descriptor would be 0, which means "no port".
  const int input = dup(0);  // -1 when it is closed already
  if (input >= 0) close(0);
  EXPECT_EQ(Configure({"./tty", 0, 9600, 8, 0, 0}), 0);
  EXPECT_NE(state().portHandle, 0u);
  EXPECT_EQ(fcntl(0, F_GETFD), -1);
  if (input >= 0) dup2(input, 0), close(input);
}

TEST(LineFormatTest, DataBitsStopBitsAndParity) {
  struct Row {
    LineSettings settings;
    tcflag_t flags;
  };
  const Row rows[] = {{{9600, 8, 0, 0}, CS8},
                      {{9600, 7, 0, 1}, CS7 | PARENB | PARODD},
                      {{9600, 0x0306, 0x0402, 0x0502}, CS6 | CSTOPB | PARENB},  // low bytes only
                      {{9600, 5, 1, 3}, CS5 | CSTOPB | PARENB | PARODD | CMSPAR},
                      {{9600, 8, 2, 4}, CS8 | CSTOPB | PARENB | CMSPAR}};
  for (const Row& row : rows) {
    tcflag_t flags = 0;
    EXPECT_TRUE(FormatFlags(row.settings, &flags));
    EXPECT_EQ(flags, row.flags) << row.settings.byteSize << " " << row.settings.parity;
  }
}

}  // namespace
}  // namespace zan::testing

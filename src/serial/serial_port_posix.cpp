// Serial ports on POSIX systems: a terminal device driven through termios.
//
// The read time-out is VTIME with VMIN 0, the total time a read waits for its first byte, in
// tenths of a second (at most 25.5 s). A port is kept from sharing by an exclusive flock, which
// every opener of this driver respects, and by TIOCEXCL, which keeps out other programs.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "serial/line_format_posix.h"
#include "serial/serial_port.h"

namespace zan {
namespace {

// Enough for "/dev/" and any name the state can hold; longer names of other callers are refused.
constexpr std::size_t kPathBytes = 64;

// A path (/dev/ttyUSB0, ./tty) names itself, any other name a device under /dev (ttyUSB0 and
// pts/2 alike); "NUL" names the null device. An empty name (no port configured) names none.
bool DevicePath(const char* name, char* path) {
  int written;
  if (name[0] == '\0') return false;
  if (std::strcmp(name, "NUL") == 0) {
    written = std::snprintf(path, kPathBytes, "/dev/null");
  } else if (name[0] == '/' || name[0] == '.') {
    written = std::snprintf(path, kPathBytes, "%s", name);
  } else {
    written = std::snprintf(path, kPathBytes, "/dev/%s", name);
  }
  return written > 0 && static_cast<std::size_t>(written) < kPathBytes;
}

void CloseDescriptor(int fd) {
  // Linux releases the descriptor even when close reports EINTR; it must not be closed again.
  (void)close(fd);
}

// Opens `path` for reading and writing without letting it become the controlling terminal, and
// without waiting for a carrier. Returns a descriptor other than 0 (0 means "no port" in the
// state), or -1.
int OpenDevice(const char* path) {
  int fd;
  do {
    fd = open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd != 0) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 1);
  CloseDescriptor(fd);
  return moved;
}

// Takes the port for this open alone. Only a port that another open holds is refused: where the
// file system has no locks, the open goes on unshared in name only.
bool LockDevice(int fd) {
  return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

cc_t Deciseconds(uint32_t milliseconds) {
  uint32_t tenths = milliseconds / 100 + (milliseconds % 100 != 0 ? 1 : 0);
  return static_cast<cc_t>(tenths < 255 ? tenths : 255);
}

// Raw binary input and output with parity checking, the receiver on, modem status ignored, no
// flow control, and the time-outs and character format given. The other fields keep what the
// device had.
void MakeLineState(termios& line, speed_t speed, tcflag_t format) {
  line.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | IGNPAR | PARMRK | ISTRIP | INLCR |
                                         IGNCR | ICRNL | IXON | IXOFF | IXANY);
  line.c_iflag |= INPCK;
  line.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  line.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  line.c_cflag &= ~static_cast<tcflag_t>(kFormatMask | CRTSCTS);
  line.c_cflag |= format | CREAD | CLOCAL;
  line.c_cc[VMIN] = 0;
  line.c_cc[VTIME] = Deciseconds(kOpenReadTimeoutMilliseconds);
  cfsetispeed(&line, speed);
  cfsetospeed(&line, speed);
}

// tcsetattr succeeds when any part of the change was taken; the device must have taken all of it.
bool WriteLineState(int fd, const termios& wanted) {
  if (tcsetattr(fd, TCSANOW, &wanted) != 0) return false;
  termios taken;
  if (tcgetattr(fd, &taken) != 0) return false;
  return (taken.c_cflag & kFormatMask) == (wanted.c_cflag & kFormatMask) &&
         cfgetospeed(&taken) == cfgetospeed(&wanted) &&
         cfgetispeed(&taken) == cfgetispeed(&wanted) && taken.c_cc[VTIME] == wanted.c_cc[VTIME] &&
         taken.c_cc[VMIN] == wanted.c_cc[VMIN];
}

// Holds a modem line high or low. Handshake and toggle have no termios counterpart; their level at
// open is used. Devices without modem lines (pseudo-terminals, some adapters) refuse, which is no
// reason to refuse the port.
void DriveModemLine(int fd, int line, LineControl control) {
  const bool high = control == LineControl::kOn || control == LineControl::kHandshake;
  int bits = line;
  (void)ioctl(fd, high ? TIOCMBIS : TIOCMBIC, &bits);
}

bool ClearNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool ConfigureDevice(int fd, const LineSettings& settings, uint16_t lineFlags) {
  speed_t speed;
  tcflag_t format;
  if (!SpeedFor(settings.baudRate, &speed) || !FormatFlags(settings, &format)) return false;
  termios line;
  if (tcgetattr(fd, &line) != 0) return false;
  MakeLineState(line, speed, format);
  if (!WriteLineState(fd, line)) return false;
  (void)ioctl(fd, TIOCEXCL);
  DriveModemLine(fd, TIOCM_DTR, DtrControlFor(lineFlags));
  DriveModemLine(fd, TIOCM_RTS, RtsControlFor(lineFlags));
  return true;
}

bool IsDescriptor(PortHandle handle) {
  return handle != 0 && handle <= static_cast<PortHandle>(INT_MAX);
}

}  // namespace

bool OpenSerialPort(const char* name, const LineSettings& settings, uint16_t lineFlags,
                    PortHandle* handle) {
  char path[kPathBytes];
  if (!DevicePath(name, path)) return false;
  const int fd = OpenDevice(path);
  if (fd < 0) return false;
  const bool nullDevice = std::strcmp(name, "NUL") == 0;
  if (!nullDevice && (!LockDevice(fd) || !ConfigureDevice(fd, settings, lineFlags))) {
    CloseDescriptor(fd);
    return false;
  }
  if (!ClearNonBlocking(fd)) {
    CloseDescriptor(fd);
    return false;
  }
  *handle = static_cast<PortHandle>(fd);
  return true;
}

int32_t SetReadTimeout(PortHandle handle, int32_t value) {
  if (!IsDescriptor(handle)) return 0;
  const int fd = static_cast<int>(handle);
  termios line;
  if (tcgetattr(fd, &line) != 0) return 0;
  const cc_t previous = line.c_cc[VTIME];
  const cc_t wanted = Deciseconds(ReadTimeoutMilliseconds(value));
  if (previous != wanted || line.c_cc[VMIN] != 0) {
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = wanted;
    if (tcsetattr(fd, TCSANOW, &line) != 0) return 0;
  }
  return static_cast<int32_t>(previous) * 10;
}

bool CloseSerialPort(PortHandle handle) {
  if (!IsDescriptor(handle)) return false;
  const int fd = static_cast<int>(handle);
  // The terminal would stay exclusive while other descriptors of it (a pseudo-terminal's master)
  // are open.
  (void)ioctl(fd, TIOCNXCL);
  if (close(fd) == 0) return true;
  // Only a handle that is no descriptor is refused. On any other error the descriptor is released
  // all the same, and closing it again could close a descriptor opened since.
  return errno != EBADF;
}

}  // namespace zan

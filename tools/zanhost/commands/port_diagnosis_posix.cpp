#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands/port_diagnosis.h"
#include "serial/line_format_posix.h"

namespace zanhost {
namespace {

// The speeds that the driver's port knows, each a standard termios rate.
constexpr uint16_t kRates[] = {50,   75,   110,  134,  150,  200,   300,   600,
                               1200, 1800, 2400, 4800, 9600, 19200, 38400, 57600};

// Linux numbers pseudo-terminals (/dev/pts/N) with the major numbers 136 to 143.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

// The driver's names: "NUL" is the null device, a path (beginning with "/" or ".") stands as it
// is, any other name is a device under /dev.
std::string DevicePath(const std::string& name) {
  if (name == "NUL") return "/dev/null";
  if (name[0] == '/' || name[0] == '.') return name;
  return "/dev/" + name;
}

bool IsPseudoTerminal(int fd) {
  struct stat status {};
  if (fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode)) return false;
  const unsigned major = ::major(status.st_rdev);
  return major >= kFirstPtyMajor && major <= kLastPtyMajor;
}

// What the device did not take of the settings the driver wrote, in words; "" when it took all.
std::string NotTaken(const termios& wanted, const termios& taken, const zan::LineSettings& line) {
  std::string words;
  const auto add = [&](const std::string& what) { words += (words.empty() ? "" : ", ") + what; };
  if (cfgetospeed(&taken) != cfgetospeed(&wanted) || cfgetispeed(&taken) != cfgetispeed(&wanted)) {
    add(std::to_string(line.baudRate) + " bits per second");
  }
  if ((taken.c_cflag & CSIZE) != (wanted.c_cflag & CSIZE)) {
    add(std::to_string(line.byteSize & 0xFF) + " data bits");
  }
  const tcflag_t parity = PARENB | PARODD | CMSPAR;
  if ((taken.c_cflag & parity) != (wanted.c_cflag & parity)) {
    static const char* const kParities[] = {"no", "odd", "even", "mark", "space"};
    const unsigned code = line.parity & 0xFF;
    add(std::string(code < 5 ? kParities[code] : "other") + " parity");
  }
  if ((taken.c_cflag & CSTOPB) != (wanted.c_cflag & CSTOPB)) add("the stop bits");
  return words;
}

// Writes the settings as the driver does, reads back what the device took, and puts back what it
// had.
std::string TryLine(int fd, const std::string& path, const zan::LineSettings& line) {
  speed_t speed;
  if (!zan::SpeedFor(line.baudRate, &speed)) {
    return path + " has no speed of " + std::to_string(line.baudRate) +
           " bits per second: the driver knows the standard rates from 50 to 57600";
  }
  tcflag_t format;
  if (!zan::FormatFlags(line, &format)) {
    return path + " cannot take " + DescribeLine(line) +
           ": 5 to 8 data bits, 1.5 stop bits only with 5, 2 only with 6 to 8";
  }
  termios before{};
  if (tcgetattr(fd, &before) != 0) return path + " is not a serial port";
  termios wanted = before;
  wanted.c_cflag = (wanted.c_cflag & ~zan::kFormatMask) | format;
  cfsetispeed(&wanted, speed);
  cfsetospeed(&wanted, speed);
  termios taken{};
  const bool written = tcsetattr(fd, TCSANOW, &wanted) == 0 && tcgetattr(fd, &taken) == 0;
  (void)tcsetattr(fd, TCSANOW, &before);
  std::string why;
  if (!written) {
    why = path + " refused the line settings (" + DescribeLine(line) + ")";
  } else {
    const std::string notTaken = NotTaken(wanted, taken, line);
    if (notTaken.empty()) return "";
    why = path + " did not take " + notTaken + " of " + DescribeLine(line);
  }
  // Linux refuses parity and other sizes than 8 data bits on a pseudo-terminal, or keeps 8N.
  if (IsPseudoTerminal(fd)) {
    why += ": a pseudo-terminal carries 8 data bits without parity (--data-bits 8 --parity none)";
  }
  return why;
}

}  // namespace

std::string WhyPortDoesNotOpen(const std::string& name, const zan::LineSettings& line) {
  if (name.empty()) {
    return "no port is configured in the instance's state: configure the port first (zanhost "
           "port -n NAME configure open)";
  }
  const std::string path = DevicePath(name);
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    std::string why = path + ": " + std::strerror(error);
    if (error == EACCES) why += " (is the user in the group that owns it, e.g. dialout?)";
    return why;
  }
  std::string why;
  termios current{};
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    why = path + " is in use by another program";
  } else if (name == "NUL") {
    why = "";
  } else if (tcgetattr(fd, &current) != 0) {
    why = path + " is not a serial port";
  } else if (line.baudRate == 0) {
    why = path +
          ": no line settings are stored in the instance's state (0 bits per second): "
          "configure the port with a speed first";
  } else {
    why = TryLine(fd, path, line);
  }
  close(fd);
  return why;
}

bool CurrentLineSettings(const std::string& name, zan::LineSettings& line) {
  if (name.empty() || name == "NUL") return false;
  const std::string path = DevicePath(name);
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  termios current{};
  const bool read = tcgetattr(fd, &current) == 0;
  close(fd);
  if (!read) return false;
  line.baudRate = 0;
  for (uint16_t rate : kRates) {
    speed_t speed;
    if (zan::SpeedFor(rate, &speed) && speed == cfgetospeed(&current)) line.baudRate = rate;
  }
  if (line.baudRate == 0) return false;
  switch (current.c_cflag & CSIZE) {
    case CS5:
      line.byteSize = 5;
      break;
    case CS6:
      line.byteSize = 6;
      break;
    case CS7:
      line.byteSize = 7;
      break;
    default:
      line.byteSize = 8;
      break;
  }
  const bool two = (current.c_cflag & CSTOPB) != 0;
  line.stopBits = !two                 ? zan::kOneStopBit
                  : line.byteSize == 5 ? zan::kOneAndHalfStopBits
                                       : zan::kTwoStopBits;
  if ((current.c_cflag & PARENB) == 0) {
    line.parity = zan::kNoParity;
  } else if ((current.c_cflag & CMSPAR) != 0) {
    line.parity = (current.c_cflag & PARODD) != 0 ? zan::kMarkParity : zan::kSpaceParity;
  } else {
    line.parity = (current.c_cflag & PARODD) != 0 ? zan::kOddParity : zan::kEvenParity;
  }
  return true;
}

}  // namespace zanhost

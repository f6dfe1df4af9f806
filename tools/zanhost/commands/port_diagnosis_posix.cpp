#include <fcntl.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "commands/port_diagnosis.h"

namespace zanhost {

std::string WhyPortDoesNotOpen(const std::string& name, uint16_t baudRate) {
  // The driver's names: "NUL" is the null device, a name without a slash a device under /dev.
  const std::string path = name == "NUL"                         ? "/dev/null"
                           : name.find('/') != std::string::npos ? name
                                                                 : "/dev/" + name;
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    std::string why = path + ": " + std::strerror(error);
    if (error == EACCES) why += " (is the user in the group that owns it, e.g. dialout?)";
    return why;
  }
  std::string why;
  termios line{};
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    why = path + " is in use by another program";
  } else if (name != "NUL" && tcgetattr(fd, &line) != 0) {
    why = path + " is not a serial port";
  } else if (name != "NUL") {
    why = path + " refused the line settings (" + std::to_string(baudRate) +
          " bits per second, data bits, parity and stop bits)";
  }
  close(fd);
  return why;
}

}  // namespace zanhost

#include "session/quaxnet_port.h"

#include "os/host_platform.h"

namespace zanhost {

bool ReadQuaxnetPort(int& port, std::string& error) {
  port = 0;
  const std::string text = GetEnvironment("QUAXNET_PORT");
  if (text.empty()) return true;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || value > 65535) {
      value = -1;
      break;
    }
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) {
    error = "QUAXNET_PORT=" + text +
            " is no port number (1 to 65535): give the simulator's port, or unset it for port 102";
    return false;
  }
  port = static_cast<int>(value);
  return true;
}

int ConnectionPort() {
  int port = 0;
  std::string ignored;
  return ReadQuaxnetPort(port, ignored) && port != 0 ? port : kIsoOnTcpPort;
}

}  // namespace zanhost

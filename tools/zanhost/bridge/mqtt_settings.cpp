#include <cstdlib>

#include "bridge/mqtt_session.h"

namespace zanhost {

bool ParseBrokerAddress(const std::string& text, MqttSettings& settings, std::string& error) {
  std::string host = text;
  std::string port;
  if (!text.empty() && text[0] == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string::npos || (close + 1 < text.size() && text[close + 1] != ':')) {
      error = "the broker \"" + text + "\" is no [IPv6 address]:PORT";
      return false;
    }
    host = text.substr(1, close - 1);
    if (close + 1 < text.size()) port = text.substr(close + 2);
  } else if (text.find(':') != text.rfind(':')) {
    host = text;  // an IPv6 address without a port
  } else if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (port.empty()) {
      error = "the broker \"" + text + "\" has no port after the colon";
      return false;
    }
  }
  if (host.empty()) {
    error = "the broker \"" + text + "\" names no host";
    return false;
  }
  settings.host = host;
  settings.port = kDefaultMqttPort;
  if (!port.empty()) {
    const long number = port.size() > 5 ? 0 : std::strtol(port.c_str(), nullptr, 10);
    if (port.find_first_not_of("0123456789") != std::string::npos || number < 1 || number > 65535) {
      error = "the broker's port \"" + port + "\" is not from 1 to 65535";
      return false;
    }
    settings.port = static_cast<int>(number);
  }
  return true;
}

}  // namespace zanhost

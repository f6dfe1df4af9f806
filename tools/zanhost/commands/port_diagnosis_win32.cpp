#include <windows.h>

#include "commands/port_diagnosis.h"

namespace zanhost {
namespace {

std::string SystemMessage(DWORD error) {
  char text[256] = {};
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "system error " + std::to_string(error) : message;
}

HANDLE OpenDevice(const std::string& name) {
  return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

std::string WhyPortDoesNotOpen(const std::string& name, const zan::LineSettings& line) {
  if (name.empty()) {
    return "no port is configured in the instance's state: configure the port first (zanhost "
           "port -n NAME configure open)";
  }
  HANDLE device = OpenDevice(name);
  if (device == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    std::string why = name + ": " + SystemMessage(error);
    if (error == ERROR_ACCESS_DENIED) why += " (is another program using it?)";
    return why;
  }
  std::string why;
  DCB state{};
  state.DCBlength = sizeof state;
  if (name != "NUL" && !GetCommState(device, &state)) {
    why = name + " is not a communications port";
  } else if (name != "NUL" && line.baudRate == 0) {
    why = name +
          ": no line settings are stored in the instance's state (0 bits per second): "
          "configure the port with a speed first";
  } else if (name != "NUL") {
    why = name + " refused the line settings (" + DescribeLine(line) + ")";
  }
  CloseHandle(device);
  return why;
}

bool CurrentLineSettings(const std::string& name, zan::LineSettings& line) {
  if (name.empty() || name == "NUL") return false;
  HANDLE device = OpenDevice(name);
  if (device == INVALID_HANDLE_VALUE) return false;
  DCB state{};
  state.DCBlength = sizeof state;
  const bool read = GetCommState(device, &state) != 0;
  CloseHandle(device);
  if (!read || state.BaudRate == 0 || state.BaudRate > 0xFFFF) return false;
  line.baudRate = static_cast<uint16_t>(state.BaudRate);
  line.byteSize = state.ByteSize;
  line.stopBits = state.StopBits;
  line.parity = state.Parity;
  return true;
}

}  // namespace zanhost

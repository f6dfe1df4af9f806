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

}  // namespace

std::string WhyPortDoesNotOpen(const std::string& name, uint16_t baudRate) {
  HANDLE device = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    std::string why = name + ": " + SystemMessage(error);
    if (error == ERROR_ACCESS_DENIED) why += " (is another program using it?)";
    return why;
  }
  std::string why;
  DCB line{};
  line.DCBlength = sizeof line;
  if (name != "NUL" && !GetCommState(device, &line)) {
    why = name + " is not a communications port";
  } else if (name != "NUL") {
    why = name + " refused the line settings (" + std::to_string(baudRate) +
          " bits per second, data bits, parity and stop bits)";
  }
  CloseHandle(device);
  return why;
}

}  // namespace zanhost

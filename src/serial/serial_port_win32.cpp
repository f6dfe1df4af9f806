// Serial ports on Windows: communications devices opened with CreateFileA.
#include <windows.h>

#include <cstring>

#include "serial/serial_port.h"

namespace zan {
namespace {

// Kernel handles keep their meaning when cut to 32 bits and sign-extended back.
PortHandle FromHandle(HANDLE handle) {
  return static_cast<PortHandle>(reinterpret_cast<uintptr_t>(handle));
}

HANDLE ToHandle(PortHandle handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
}

DWORD DtrControl(LineControl control) {
  switch (control) {
    case LineControl::kOn:
      return DTR_CONTROL_ENABLE;
    case LineControl::kHandshake:
      return DTR_CONTROL_HANDSHAKE;
    default:
      return DTR_CONTROL_DISABLE;
  }
}

DWORD RtsControl(LineControl control) {
  switch (control) {
    case LineControl::kOn:
      return RTS_CONTROL_ENABLE;
    case LineControl::kHandshake:
      return RTS_CONTROL_HANDSHAKE;
    case LineControl::kToggle:
      return RTS_CONTROL_TOGGLE;
    default:
      return RTS_CONTROL_DISABLE;
  }
}

// Changes the line state read from the device; continue-on-XOFF and every field not named here
// keep the device's values.
void MakeLineState(DCB& line, const LineSettings& settings, uint16_t lineFlags) {
  line.BaudRate = settings.baudRate;
  line.fBinary = TRUE;
  line.fParity = TRUE;
  line.fOutxCtsFlow = FALSE;
  line.fOutxDsrFlow = FALSE;
  line.fDtrControl = DtrControl(DtrControlFor(lineFlags));
  line.fDsrSensitivity = FALSE;
  line.fOutX = FALSE;
  line.fInX = FALSE;
  line.fErrorChar = FALSE;
  line.fNull = FALSE;
  line.fRtsControl = RtsControl(RtsControlFor(lineFlags));
  line.fAbortOnError = FALSE;
  line.ByteSize = static_cast<BYTE>(settings.byteSize);
  line.Parity = static_cast<BYTE>(settings.parity);
  line.StopBits = static_cast<BYTE>(settings.stopBits);
  line.ErrorChar = static_cast<char>(kErrorCharacter);
}

bool ConfigureDevice(HANDLE device, const LineSettings& settings, uint16_t lineFlags) {
  DCB line;
  std::memset(&line, 0, sizeof line);
  line.DCBlength = sizeof line;
  if (!GetCommState(device, &line)) return false;

  COMMTIMEOUTS timeouts;
  std::memset(&timeouts, 0, sizeof timeouts);
  timeouts.ReadTotalTimeoutConstant = kOpenReadTimeoutMilliseconds;
  if (!SetCommTimeouts(device, &timeouts)) return false;

  MakeLineState(line, settings, lineFlags);
  if (!SetCommState(device, &line)) return false;

  (void)SetupComm(device, kQueueBytes, kQueueBytes);
  return true;
}

}  // namespace

bool OpenSerialPort(const char* name, const LineSettings& settings, uint16_t lineFlags,
                    PortHandle* handle) {
  HANDLE device = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (device == INVALID_HANDLE_VALUE || device == nullptr) return false;
  if (std::strcmp(name, "NUL") != 0 && !ConfigureDevice(device, settings, lineFlags)) {
    (void)CloseHandle(device);
    return false;
  }
  *handle = FromHandle(device);
  return true;
}

int32_t SetReadTimeout(PortHandle handle, int32_t value) {
  COMMTIMEOUTS timeouts;
  if (!GetCommTimeouts(ToHandle(handle), &timeouts)) return 0;
  const DWORD previous = timeouts.ReadTotalTimeoutConstant;
  const DWORD wanted = ReadTimeoutMilliseconds(value);
  if (previous != wanted) {
    timeouts.ReadTotalTimeoutConstant = wanted;
    if (!SetCommTimeouts(ToHandle(handle), &timeouts)) return 0;
  }
  return static_cast<int32_t>(previous / 10);
}

bool CloseSerialPort(PortHandle handle) {
  return CloseHandle(ToHandle(handle)) != FALSE;
}

}  // namespace zan

#include "serial/port_commands.h"

#include <cstring>

#include "core/driver_state.h"
#include "serial/serial_port.h"

namespace zan {
namespace {

static_assert(sizeof(PortSettings::portName) == kPortNameBytes);

// A name the port functions may read: terminated within its 12-byte field.
bool IsTerminatedName(const char (&name)[kPortNameBytes]) {
  return std::memchr(name, '\0', kPortNameBytes) != nullptr;
}

LineSettings StoredSettings(const DriverState& state) {
  return LineSettings{state.baudRate, state.byteSize, state.stopBits, state.parity};
}

int32_t CloseStoredPort(DriverState& state) {
  if (state.portHandle == 0) return kResultDone;
  if (!CloseSerialPort(state.portHandle)) return kResultUnreachable;
  state.portHandle = 0;
  return kResultDone;
}

// Opens the stored port and records it. A handle that was recorded before would otherwise be lost
// while it stays open (the null device, and ports that admit several opens, open again); it is
// closed now that the new one takes its place.
bool OpenStoredPort(DriverState& state) {
  PortHandle handle;
  if (!OpenSerialPort(state.portName, StoredSettings(state), state.lineFlags, &handle)) {
    return false;
  }
  const PortHandle replaced = state.portHandle;
  state.portHandle = handle;
  state.channelActive = 1;
  if (replaced != 0 && replaced != handle) (void)CloseSerialPort(replaced);
  return true;
}

}  // namespace

int32_t ClosePort(ZanRequest* request) {
  DriverState* state = request->state;
  if (state == nullptr) return kResultRefused;
  return CloseStoredPort(*state);
}

int32_t OpenPort(ZanRequest* request) {
  DriverState* state = request->state;
  if (state == nullptr) return kResultRefused;
  if (!IsTerminatedName(state->portName)) return kResultUnreachable;
  return OpenStoredPort(*state) ? kResultDone : kResultUnreachable;
}

int32_t ConfigurePort(ZanRequest* request) {
  DriverState* state = request->state;
  const auto* settings = static_cast<const PortSettings*>(request->argument);
  if (state == nullptr || settings == nullptr) return kResultRefused;
  if (!IsTerminatedName(settings->portName)) return kResultUnreachable;

  if (settings->timeout != 0) state->timeout = settings->timeout;
  // Bounded: the stored name may lack its terminator, the new one has it within the field.
  if (std::strncmp(settings->portName, state->portName, kPortNameBytes) != 0 &&
      state->portHandle != 0) {
    (void)CloseStoredPort(*state);
  }
  std::memcpy(state->portName, settings->portName, kPortNameBytes);
  if (settings->baudRate != 0) {
    state->baudRate = settings->baudRate;
    state->byteSize = settings->byteSize;
    state->stopBits = settings->stopBits;
    state->parity = settings->parity;
  }

  if (!OpenStoredPort(*state)) return kResultUnreachable;
  (void)SetReadTimeout(state->portHandle, state->timeout);
  return kResultDone;
}

}  // namespace zan

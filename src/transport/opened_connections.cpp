#include "transport/opened_connections.h"

#include "transport/transport_binding.h"

namespace zan {
namespace {

struct OpenedConnection {
  const DriverState* state;  // nullptr: a free entry
  uint16_t plc;
  uint16_t handle;
};

// Zero-initialised: every entry free.
OpenedConnection record[kOpenedConnectionRecord];

bool Same(const OpenedConnection& entry, const DriverState& state, int plc, uint16_t handle) {
  return entry.state == &state && entry.plc == plc && entry.handle == handle;
}

}  // namespace

void NoteOpenedConnection(const DriverState& state, int plc, uint16_t handle) {
  if (plc < 0 || plc >= kPlcCount || handle == 0) return;
  OpenedConnection* free = nullptr;
  for (OpenedConnection& entry : record) {
    if (Same(entry, state, plc, handle)) return;
    if (entry.state == nullptr && free == nullptr) free = &entry;
  }
  if (free != nullptr) *free = {&state, static_cast<uint16_t>(plc), handle};
}

void ForgetOpenedConnection(const DriverState& state, int plc, uint16_t handle) {
  for (OpenedConnection& entry : record) {
    if (Same(entry, state, plc, handle)) entry = {};
  }
}

int CloseOpenedConnections(const DriverState& state) {
  int closed = 0;
  for (OpenedConnection& entry : record) {
    if (entry.state != &state) continue;
    const PlcEntry& plc = state.plcs[entry.plc];
    if (plc.readConnection == entry.handle || plc.writeConnection == entry.handle) {
      Transport().QxCloseConnection(entry.handle);
      ++closed;
    }
    entry = {};
  }
  return closed;
}

void ForgetAllOpenedConnections() {
  for (OpenedConnection& entry : record)
    entry = {};
}

}  // namespace zan

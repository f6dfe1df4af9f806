// The warm start (command 2): re-establishes the connections of a PLC and of its backup.
#include "core/host_services.h"
#include "transport/connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

// Restarts `handle` through the transport and waits for it. A restart that the transport refuses
// is logged, and the wait still runs: the connection may come up all the same.
bool RestartAndWait(const DriverState& state, int number, uint16_t handle) {
  uint16_t result = ResultCode(Transport().QxRestartConnection(handle));
  if (result != kRestarted) {
    ZAN_LOG("ZanDOR: S5RestartConnection Failed, Plc #%d, rc = %d", number, result);
  }
  return WaitConnected(state, handle);
}

// Restarts the connections of PLC `number`; returns true when at least one came up.
bool RestartConnections(const DriverState& state, int number) {
  const PlcEntry& plc = state.plcs[number];
  bool restarted = false;
  if (plc.type == kPlcTypeS5) {
    if (RestartAndWait(state, number, plc.readConnection)) {
      ZAN_LOG("ZanDOR: Reconnect Read Success, Plc #%d !!! ", number);
      restarted = true;
    }
    if (RestartAndWait(state, number, plc.writeConnection)) {
      ZAN_LOG("ZanDOR: Reconnect Write Success, Plc #%d !!! ", number);
      restarted = true;
    }
  } else if (RestartAndWait(state, number, plc.readConnection)) {
    ZAN_LOG("ZanDOR: Reconnect Success, Plc #%d !!! ", number);
    restarted = true;
  }
  return restarted;
}

// Serves the cached blocks of `number` again with the data they already hold. A block that was
// claimed but never fetched has nothing to serve, and a free slot belongs to no tag.
void RevalidateCacheBlocks(DriverState& state, int number) {
  for (CacheBlock& block : state.cache) {
    if (block.tagId != kCacheSlotFree && block.valid != kCacheNeverFetched &&
        block.plcNumber == number) {
      block.valid = 1;
    }
  }
}

}  // namespace

int32_t WarmStart(ZanRequest* request) {
  DriverState* state = request->state;
  auto* plcNumber = static_cast<int32_t*>(request->argument);
  if (state == nullptr || plcNumber == nullptr) return kResultRefused;
  const int master = *plcNumber;
  if (master < 0 || master >= kPlcCount) return kResultRefused;

  const int backup = state->plcs[master].backupPlc;
  if (backup != 0 && state->plcs[backup].readConnection == 0 && !PlcConnect(*state, backup)) {
    // The line names the PLC that failed to connect: the backup.
    ZAN_LOG("ZanDOR: PlcConnect Failed, Plc #%d, rc = %d", backup, 0);
  }
  if (state->plcs[master].readConnection == 0 && !PlcConnect(*state, master)) {
    ZAN_LOG("ZanDOR: PlcConnect Failed, Plc #%d, rc = %d", master, 0);
    if (backup == 0) return kResultRefused;
  }

  bool restarted = RestartConnections(*state, master);
  if (backup != 0 && state->plcs[backup].linkState == kLinkFailed) {
    *plcNumber = backup;
    restarted = RestartConnections(*state, backup) || restarted;
  }

  int32_t result = restarted ? kResultDone : kResultRefused;
  if (result == kResultDone) RevalidateCacheBlocks(*state, *plcNumber);
  ZAN_LOG("ZanDOR: Warm start return %d", result);
  return result;
}

}  // namespace zan

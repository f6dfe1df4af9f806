// The warm start (command 2): re-establishes the connections of a PLC and of its backup.
//
// Its steps, in the order of their lines: connect the backup when it has no connection recorded,
// connect the PLC when it has none, restart the PLC's connections, and restart the backup's when
// the backup has failed. Every connection that the steps need is opened or restarted first, and all
// are waited for together, so that a PLC and a backup that are both down (four connections of two
// S5s) cost one time-out rather than one each. A connection that this warm start has just opened
// and that came up is not restarted again: it counts as reconnected, as its restart would.
#include "core/host_services.h"
#include "transport/connection_attempts.h"
#include "transport/connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

enum class Reconnected : uint8_t { kS7, kS5Read, kS5Write };

// The lines of one restarted connection of PLC `number`: a restart that the transport refused,
// then the connection's success. Returns whether it came up.
bool LogRestart(int number, const ConnectionAttempt& connection, Reconnected which) {
  if (connection.result != kRestarted) {
    ZAN_LOG("ZanDOR: S5RestartConnection Failed, Plc #%d, rc = %d", number, connection.result);
  }
  if (connection.outcome != WaitOutcome::kEstablished) return false;
  switch (which) {
    case Reconnected::kS7:
      ZAN_LOG("ZanDOR: Reconnect Success, Plc #%d !!! ", number);
      break;
    case Reconnected::kS5Read:
      ZAN_LOG("ZanDOR: Reconnect Read Success, Plc #%d !!! ", number);
      break;
    case Reconnected::kS5Write:
      ZAN_LOG("ZanDOR: Reconnect Write Success, Plc #%d !!! ", number);
      break;
  }
  return true;
}

// Logs the restart of a PLC's connections after the wait; true when at least one came up.
bool FinishRestart(const PlcAttempt& attempt) {
  if (!attempt.s5) return LogRestart(attempt.number, attempt.read, Reconnected::kS7);
  const bool read = LogRestart(attempt.number, attempt.read, Reconnected::kS5Read);
  const bool write = LogRestart(attempt.number, attempt.write, Reconnected::kS5Write);
  return read || write;
}

// The restart step of a PLC that this warm start has opened. A connection that came up has just
// been established and is not restarted; one that did not is restarted on the handle now recorded
// (normally 0, no connection, which the restart refuses at once), and a connection that such a
// handle names is waited for on its own.
bool RestartOpened(const DriverState& state, const PlcAttempt& opened) {
  PlcAttempt restart;
  restart.number = opened.number;
  restart.s5 = opened.s5;
  restart.restart = true;
  const PlcEntry& plc = state.plcs[opened.number];
  auto restartOne = [](const ConnectionAttempt& open, uint16_t recorded, ConnectionAttempt& again) {
    if (open.outcome == WaitOutcome::kEstablished) {
      again.result = kRestarted;
      again.handle = open.handle;
      again.outcome = WaitOutcome::kEstablished;
    } else {
      RestartConnection(recorded, again);
    }
  };
  restartOne(opened.read, plc.readConnection, restart.read);
  if (opened.s5) restartOne(opened.write, plc.writeConnection, restart.write);
  WaitAll(state, &restart, 1);
  return FinishRestart(restart);
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
  // A PLC named as its own backup is connected and restarted once, as the master.
  const bool otherBackup = backup != 0 && backup != master;

  // Every connection first, in the order of the steps: the opens, then the restarts. Whether a
  // backup that is opened here is restarted too depends on how its connect ends: that restart
  // comes after the wait, on what the connect left.
  PlcAttempt attempts[2];
  PlcAttempt& masterAttempt = attempts[0];
  PlcAttempt& backupAttempt = attempts[1];
  masterAttempt.number = master;
  backupAttempt.number = backup;
  const bool openBackup = otherBackup && state->plcs[backup].readConnection == 0;
  const bool openMaster = state->plcs[master].readConnection == 0;
  const bool restartBackup =
      otherBackup && !openBackup && state->plcs[backup].linkState == kLinkFailed;
  if (openBackup) OpenPlc(*state, backupAttempt);
  if (openMaster) {
    OpenPlc(*state, masterAttempt);
  } else {
    RestartPlc(*state, masterAttempt);
  }
  if (restartBackup) RestartPlc(*state, backupAttempt);
  WaitAll(*state, attempts, openBackup || restartBackup ? 2 : 1);

  if (openBackup && !FinishConnect(*state, backupAttempt)) {
    // The line names the PLC that failed to connect: the backup.
    ZAN_LOG("ZanDOR: PlcConnect Failed, Plc #%d, rc = %d", backup, 0);
  }
  if (openMaster && !FinishConnect(*state, masterAttempt)) {
    ZAN_LOG("ZanDOR: PlcConnect Failed, Plc #%d, rc = %d", master, 0);
    if (backup == 0) return kResultRefused;
  }

  bool restarted = openMaster ? RestartOpened(*state, masterAttempt) : FinishRestart(masterAttempt);
  if (otherBackup && state->plcs[backup].linkState == kLinkFailed) {
    *plcNumber = backup;
    const bool backupUp =
        openBackup ? RestartOpened(*state, backupAttempt) : FinishRestart(backupAttempt);
    restarted = backupUp || restarted;
  }

  int32_t result = restarted ? kResultDone : kResultRefused;
  if (result == kResultDone) RevalidateCacheBlocks(*state, *plcNumber);
  ZAN_LOG("ZanDOR: Warm start return %d", result);
  return result;
}

}  // namespace zan

#include "session/request_outcome.h"

#include "address/tag_address.h"
#include "core/host_interface.h"

namespace zanhost {
namespace {

bool Valid(int plc) {
  return plc > 0 && plc < kPlcCount;
}

// The switchover's test: a master counts as failing when its link failed or its heartbeat stopped.
bool MasterFailing(const PlcEntry& master) {
  return master.linkState == kLinkFailed || master.watchdogAlive == 0;
}

}  // namespace

int RequestedPlc(const DriverState& state, int32_t kind, int32_t address, int32_t servedBy) {
  if (kind == zan::kKindStatus) return address;
  const int named = servedBy & 0xFF;
  if (kind != zan::kKindBackupHeartbeat) return named;
  const int backup = state.plcs[named].backupPlc;
  return Valid(backup) ? backup : -1;
}

int HeartbeatLinkState(const DriverState& state, int32_t kind, int32_t plc) {
  if (kind != zan::kKindMasterHeartbeat && kind != zan::kKindBackupHeartbeat) return -1;
  const int watched = RequestedPlc(state, kind, 0, plc);
  return Valid(watched) ? state.plcs[watched].linkState : -1;
}

// A heartbeat tag's reader hands the host 0 whenever the link of its PLC is not failed afterwards,
// whether or not it read the word; the value buffer then holds what the host left in it. Which
// case it was follows from the PLC's link state before and after the request, as the reader
// decides by it:
//   - the master's tag (kind '1') reconnects a PLC whose link state is 2 and reads no word in that
//     request (the next one reads it); otherwise it reads the word and stores that read's result
//     as the link state;
//   - the backup's tag (kind '2') reconnects a PLC whose link state is 2 and then reads the word
//     when the link state is 0; while it is 1 (the last request refused) it reads nothing;
//   - a read of the word that the PLC refused leaves the link state 1, and still gives 0.
// So the word was read exactly when the link state is 0 after the request and was not 2 (kind
// '1') or 1 (kind '2') before it. The driver logs a reconnect, but not that it skipped the word:
// the link states are the only sure sign, and both stand in the host's own memory.
std::string UnreadHeartbeatWords(int32_t kind, int before, int after, const std::string& refusal) {
  if (kind == zan::kKindMasterHeartbeat && before == kLinkFailed) return kReconnectedWords;
  if (kind == zan::kKindBackupHeartbeat && before == kLinkUntriedOrRefused) {
    return "no value read this round: the driver reads the backup's word only while its link is up "
           "and its last request was not refused";
  }
  if (after == kLinkUntriedOrRefused) {
    return "no value read this round: the PLC refused the read of the word" +
           (refusal.empty() ? std::string() : " (" + refusal + ")");
  }
  return "";
}

bool FailedForLackOfCommunication(const DriverState& state, int32_t result, int requested) {
  return result == kResultRefused && Valid(requested) &&
         state.plcs[requested].linkState == kLinkFailed;
}

std::string NextRequestWords(const DriverState& state, int master, int failed,
                             const std::string& otherWord) {
  if (!Valid(master)) return "";
  const int backup = state.plcs[master].backupPlc;
  if (!Valid(backup)) return "";
  const bool masterFailing = MasterFailing(state.plcs[master]);
  const bool backupUsable = state.plcs[backup].linkState != kLinkFailed;
  if (failed == backup) {
    const std::string name = "its master PLC " + std::to_string(master);
    return masterFailing ? name + " cannot serve either (" + otherWord + ")"
                         : "the pair's requests go to " + name;
  }
  const std::string name = "its backup PLC " + std::to_string(backup);
  if (!masterFailing) return "the next request goes to PLC " + std::to_string(master) + " again";
  return backupUsable ? "the next request goes to " + name
                      : name + " cannot serve either (" + otherWord + ")";
}

}  // namespace zanhost

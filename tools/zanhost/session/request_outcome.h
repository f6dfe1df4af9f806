// What one request of a tag did, told from what the driver leaves in the host's memory: the PLC
// that the request went to, whether a heartbeat tag that returned 0 read a word at all, and which
// PLC of a master/backup pair takes the next request. The words here are what the lines, topics
// and metrics of zanhost say; the driver's result code stays what it is.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_REQUEST_OUTCOME_H_
#define ZAN_TOOLS_ZANHOST_SESSION_REQUEST_OUTCOME_H_

#include <cstdint>
#include <string>

#include "core/driver_state.h"

namespace zanhost {

// The words of a heartbeat request that reconnected its PLC and read no word.
constexpr const char* kReconnectedWords = "reconnected, no value read this round";

// The PLC that a request of a tag of `kind` went to, by the item's `plc` after the request
// (`servedBy`): the backup after a switchover; the backup of the named master for the backup's
// heartbeat tag; the PLC a status tag reports on (`address`), which it does not ask. -1 when there
// is none (the backup's heartbeat tag of a PLC without backup).
int RequestedPlc(const DriverState& state, int32_t kind, int32_t address, int32_t servedBy);

// The link state of the PLC whose heartbeat word a tag of `kind` reads (the master for kind '1',
// its backup for kind '2'), for the comparison of before and after the request; -1 for any other
// kind or when there is no such PLC.
int HeartbeatLinkState(const DriverState& state, int32_t kind, int32_t plc);

// Why a heartbeat request that returned 0 placed no value, from the link state of its PLC before
// (`before`) and after (`after`) the request; "" when it read the word. `refusal` says why the
// PLC refused the read of the word, when it did ("" when not known).
std::string UnreadHeartbeatWords(int32_t kind, int before, int after, const std::string& refusal);

// Whether a request that returned 1 failed for lack of communication: the driver stored 2 (a lost
// link, no answer in time) in the link state of the PLC that it went to, and reported 1 because
// the pair's other PLC takes the next request (or, for a heartbeat tag, because its reader answers
// 1 for a failed link). Such a result is "unreachable" in every output, not "refused".
bool FailedForLackOfCommunication(const DriverState& state, int32_t result, int requested);

// What follows for the pair of `master` from the driver's table after a request of PLC `failed`
// (the master or its backup) failed, as the switchover will choose the next request:
// "the next request goes to its backup PLC 2", "its backup PLC 2 cannot serve either (link
// down)", "the pair's requests go to its master PLC 1", "its master PLC 1 cannot serve either
// (...)". `otherWord` is the state in words of the pair's other PLC. "" when `master` has no
// backup.
std::string NextRequestWords(const DriverState& state, int master, int failed,
                             const std::string& otherWord);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_REQUEST_OUTCOME_H_

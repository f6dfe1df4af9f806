// The switchover state of the PLC table carried over an Init of the same instance.
//
// Init resets every row's switchover fields (active 1, watchdogValue 0, watchdogAlive 1) while the
// host's value buffers survive it. A master whose heartbeat had stopped would then serve its pair
// again until its heartbeat tag had found the frozen word twice, and a master that a heartbeat tag
// reconnects would compare the word the host still holds with the reset 0 and count as alive
// without a word read. The fields are the driver's own, reached by its own rules on the same PLCs:
// carried over for the rows that the configuration file keeps as they were, the next heartbeat
// read goes on as though there had been no Init. Link states are not carried: Init's connections
// set them.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_SWITCHOVER_CARRY_H_
#define ZAN_TOOLS_ZANHOST_SESSION_SWITCHOVER_CARRY_H_

#include <vector>

#include "core/driver_state.h"

namespace zanhost {

// A copy of the PLC table, taken before the Init.
std::vector<PlcEntry> CopyPlcTable(const DriverState& state);

// Sets active, watchdogValue and watchdogAlive of each configured row of `after` to what `before`
// held, where the row is configured as it was (type, address, slot, TSAPs, backup) and so is the
// other member of its pair, if it has one. Returns the numbers of the rows carried over.
std::vector<int> CarrySwitchoverState(const std::vector<PlcEntry>& before, DriverState& after);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_SWITCHOVER_CARRY_H_

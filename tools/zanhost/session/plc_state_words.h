// A PLC's state in the words that every command uses (status, poll, the demo's table), taken from
// the driver's PLC table in the instance's state block, which the host owns:
//   "link down"          its last connect, read or write failed for lack of communication
//   "not connected"      no connection was made since Init (the transport never opened)
//   "heartbeat stopped"  its heartbeat word stopped changing
//   "active"             it serves the tags of its pair (or has no pair)
//   "standby"            a backup while its master serves, or a master while its backup serves
// and ", last request refused" behind the last two when the PLC refused the latest request (the
// driver's status tag then says 4, as for a lost link, although the link is up).
#ifndef ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_

#include <map>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/plc_list.h"

namespace zanhost {

std::string PlcStateWord(const DriverState& state, int plc);

// "link down" or "not connected": the PLC cannot serve a request now.
bool IsPlcUnreachable(const DriverState& state, int plc);

// IsPlcUnreachable for each of the PLCs, by number.
std::map<int, bool> UnreachablePlcs(const DriverState& state, const std::vector<ListedPlc>& plcs);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_

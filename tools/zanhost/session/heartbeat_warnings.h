// The warnings of check, poll and bridge about master/backup pairs without heartbeat tags. The
// driver takes a pair back to its master only when the master's heartbeat tag is read, and
// reconnects a failed backup only through the backup's heartbeat tag; warm starts do neither. So a
// pair whose tag file lacks them stays on the backup once the master failed. (Once both failed,
// poll and bridge bring the backup back themselves: HostSession::WarmStart.) One line per pair that
// lacks one or both, naming the addresses to add.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_HEARTBEAT_WARNINGS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_HEARTBEAT_WARNINGS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/host_session.h"

namespace zanhost {

// The heartbeat tag that an address text names, as the driver's parser takes it: a PLC number of
// two digits that the table configures, area "D" or "X", type "1" or "2" (either case), the length
// of a word address (one more with LONG_DB), and a host type other than bit. False for any other
// text.
bool HeartbeatOfAddress(const std::string& text, int32_t hostType, const DriverState& state,
                        HeartbeatTag& tag);

// One line for each pair of `state` (a configured master of PLC number 1 to 99 whose backup is
// configured) that lacks one of its heartbeat tags among `found`, without a "warning: " in front.
// `tagFile` names the file in the line.
std::vector<std::string> MissingHeartbeatLines(const DriverState& state,
                                               const std::vector<HeartbeatTag>& found,
                                               const std::string& tagFile);

// Whether `found` holds the heartbeat tag that reads PLC `plc`'s word: the master's own, or, for a
// backup, the type-2 tag of its master.
bool HasHeartbeatTagOf(const DriverState& state, const std::vector<HeartbeatTag>& found, int plc);

// For poll and bridge after their tags are defined: the lines for the heartbeat tags that the
// driver accepted in `session`, on standard error as "zanhost: warning: ...".
void WarnOfMissingHeartbeats(const HostSession& session, const std::string& tagFile);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_HEARTBEAT_WARNINGS_H_

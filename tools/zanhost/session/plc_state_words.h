// A PLC's state in the words that every command uses (status, poll, the report, the bridge, the
// demo's table), taken from the driver's PLC table in the instance's state block, which the host
// owns. The word follows the value that the driver's status tag ("!nn") gives for the PLC:
//   4 "link down"               its last connect, read or write failed for lack of communication
//     "not connected"           no connection was made since Init (the transport never opened)
//     "waits for its heartbeat" a member of a master/backup pair whose connection is up again, but
//                               which the driver still counts as failed: the switchover takes it
//                               back only when the pair's heartbeat tag of it is read
//     "no answer within the time-out"  its latest request found no answer in time (a PLC that
//                               answers late), whether the driver then counts its link failed or,
//                               for a request held back behind that late answer, refused
//     "last request refused"    the PLC refused the latest request (a missing data block, say)
//                               while its link is up
//   2 "heartbeat stopped"       its heartbeat word stopped changing
//     "waits for its heartbeat" the master's heartbeat tag reconnected it, and the driver takes it
//                               back once that tag reads its word changing (the reconnect reads
//                               no word, and the word the host holds counts as unchanged)
//   1 "active"                  it serves the tags of its pair, or has no pair; right after Init
//                               both members of a pair are, until the pair's first request
//   0 "standby"                 a backup while its master serves, or a master while its backup does
#ifndef ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_

#include <map>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/plc_list.h"

namespace zanhost {

// The driver's status values.
enum PlcStatus : int {
  kStatusStandby = 0,
  kStatusActive = 1,
  kStatusHeartbeatStopped = 2,
  kStatusFailed = 4,  // not connected, or the last request failed
};

// The value that the driver's status tag gives for the PLC, from the same fields.
int PlcStatusValue(const DriverState& state, int plc);

// The master of whose pair `plc` is the backup (a configured row that names it), or -1.
int MasterOf(const DriverState& state, int plc);

// Whether the PLC is the master or the backup of a configured pair.
bool IsPairMember(const DriverState& state, int plc);

// A pair member that the driver counts as failed although its connection is up again
// (`linkRestored`, session/restored_links.h): no warm start can help it, only its heartbeat tag.
bool WaitsForHeartbeat(const DriverState& state, int plc, bool linkRestored);

// The words of a PLC that answers late (status 4).
constexpr const char* kNoAnswerWord = "no answer within the time-out";

// `noAnswer`: the PLC's latest request found no answer within the time-out (what the host saw of
// it: session/host_session.h); `heartbeatUnread`: its heartbeat tag reconnected it and has read no
// word since.
std::string PlcStateWord(const DriverState& state, int plc, bool linkRestored = false,
                         bool noAnswer = false, bool heartbeatUnread = false);

// "link down" or "not connected": the PLC cannot serve a request now.
bool IsPlcUnreachable(const DriverState& state, int plc);

// Whether a warm start can bring the PLC back: it cannot be reached and does not merely wait for
// its heartbeat.
bool NeedsWarmStart(const DriverState& state, int plc, bool linkRestored);

// Whether a state word says that the PLC could not serve (an outage): every word of status 2 and
// 4 but "last request refused" (a PLC that answers late is out of service too).
bool IsOutageWord(const std::string& word);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_PLC_STATE_WORDS_H_

// Which PLCs the driver still counts as failed although their connection is up again. A warm start
// restarts the connections of a PLC but leaves its link state at 2 (failed); a PLC without a pair
// leaves that state with its next read, but the switchover never sends a request to a failed
// member of a master/backup pair, so such a PLC stays failed until its pair's heartbeat tag is read
// (session/plc_state_words.h). The tracker learns from the driver's own lines which connections
// came up, and forgets a PLC once the driver no longer counts it failed or reports it failing
// again.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_RESTORED_LINKS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_RESTORED_LINKS_H_

#include <set>
#include <string>
#include <vector>

#include "core/driver_state.h"

namespace zanhost {

// The PLC whose connection a line of the driver reports up ("ZanDOR: Reconnect Success, Plc #1 !!!
// ", the S5 read or write connection's, "Connection to Plc #1 Success !!!"), or -1.
int ConnectionUpIn(const std::string& line);

class RestoredLinks {
 public:
  // Takes the driver's lines in the order written, against the table as it stands after them: a
  // PLC whose connection came up while its link state is still 2 is restored; a later line that
  // reports a failure of that PLC takes it back.
  void TakeLines(const std::vector<std::string>& lines, const DriverState& state);

  // Forgets the PLCs whose link state is no longer 2 (a read, a heartbeat or a connect set it).
  void Observe(const DriverState& state);

  bool restored(int plc) const { return restored_.count(plc) != 0; }

 private:
  std::set<int> restored_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_RESTORED_LINKS_H_

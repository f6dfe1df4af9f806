// What a warm start brought back, in words: the driver answers 0 when any connection of the PLC or
// of its backup came up, and names the backup in the argument when it restarted it, which says
// neither which PLC is back nor which is still down. The driver's lines of the warm start do: each
// connection that came up is logged ("Reconnect Success, Plc #2"), and the transport library tells
// why the others failed.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_

#include <string>
#include <vector>

#include "session/host_session.h"

namespace zanhost {

struct WarmStartReport {
  std::vector<int> back;  // the PLCs whose connection came up
  std::vector<int> down;  // those it tried that are still down
  // "done" when every PLC it tried came back (", and of its backup PLC 2 (S7 at 127.0.0.2)" when
  // that was one); else which came back and which is still down, and why: "its backup PLC 2 back;
  // PLC 1 still down: TCP connection refused: nothing listens at that port".
  std::string words;
  // The part about the PLCs still down: "PLC 1 still down: TCP connection refused: ..."; "" if
  // none.
  std::string downWords;
  std::vector<std::string> problems;  // the driver's lines about the PLCs still down
};

// The warm start of PLC `plc` that the session made last (HostSession::warmStartLines), with the
// driver's table after it.
WarmStartReport ReportWarmStart(const HostSession& session, int plc);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_

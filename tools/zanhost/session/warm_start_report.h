// What a warm start brought back, in words: the driver answers 0 when any connection of the PLC or
// of its backup came up, which says neither which PLC is back nor which is still down. The driver
// tries the backup when it has no connection yet (and then logs the connect) or when it counts the
// backup failed (and then names the backup in the argument, whatever the restart brings); each
// connection that came up is logged ("Reconnect Success, Plc #2"), and the transport library
// tells why the others failed. A restart that the transport accepted and that never came up logs
// nothing: only the argument tells that the backup was tried.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_

#include <functional>
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

// What is known of one warm start.
struct WarmStartFacts {
  int plc = 0;        // the PLC asked for
  int restarted = 0;  // the argument as the driver left it: the backup's number when it tried it
  int backup = 0;     // the PLC's backup in the driver's table, 0 for none
  std::vector<std::string> lines;  // the driver's lines of the warm start
  // "PLC 2 (S7 at 127.0.0.2)"; why PLC n's connection failed, in the transport's words (""
  // unknown).
  std::function<std::string(int)> describe;
  std::function<std::string(int)> failureOf;
};

WarmStartReport ReportWarmStart(const WarmStartFacts& facts);

// The warm start of PLC `plc` that the session made last (HostSession::warmStartLines), which left
// `restarted` in its argument, with the driver's table after it.
WarmStartReport ReportWarmStart(const HostSession& session, int plc, int restarted);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_WARM_START_REPORT_H_

// Why a read or write of a tag failed, named by what failed: the PLC's refusal in words ("data
// block 999 does not exist"), the transport's ("no answer within the time-out (100 ms)"), or the
// PLC that cannot be reached and why; each with the driver's own line about that tag or PLC, and
// never a line about another PLC.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_FAILURE_REPORT_H_
#define ZAN_TOOLS_ZANHOST_SESSION_FAILURE_REPORT_H_

#include <cstdint>
#include <string>

#include "session/host_session.h"

namespace zanhost {

struct FailureReport {
  std::string words;     // short: "data block 999 does not exist", "cannot be reached (link down)"
  std::string detail;    // with the PLC: "PLC 1 (S7 at 127.0.0.1) refused it: data block 999 ..."
  std::string line;      // the driver's line about it, or ""
  bool generic = false;  // nothing is known beyond the result code; `detail` explains that code
  std::string outcome;   // a word for the result where the driver's would mislead ("not sent"),
                         // else ""
  bool plcRefused = false;  // the PLC answered the request with a refusal
};

// The cache slot that the driver serves a read of all of `tag`'s values on PLC `plc` from, as its
// read looks the cache up: the first registered slot of that PLC and data block that holds the
// whole transfer (inputs, outputs, flags, status and cache-block tags are never served from one);
// -1 for none.
int CoveringSlot(const DriverState& state, const Tag& tag, int plc);

// Why a read of `tag` on PLC `plc` returned 1 although the driver logged no line about it, from
// the driver's table: the backup's heartbeat tag of a PLC without a backup, data that lies in a
// cache block without valid data, or else a request that the transport did not send because the
// answer to an earlier one was still on its way (the driver collects and drops that answer). The
// words go into `report`; false for the kinds that read nothing of their own (status tags).
bool ExplainUnloggedRead(const DriverState& state, const Tag& tag, int plc, FailureReport& report);

// For the request of `tag` that returned `result`, right after it (its log lines taken with
// TakeLog). `servedBy` is the PLC the request went to (the backup after a switchover).
FailureReport ExplainFailure(const HostSession& session, const Tag& tag, int32_t result,
                             int32_t servedBy);

// Why PLC `plc` has no connection, to follow its name in a line: ": " and the transport's words
// for the step that failed, then the driver's own line about it in brackets, each when known.
std::string WhyNotConnected(const HostSession& session, int plc);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_FAILURE_REPORT_H_

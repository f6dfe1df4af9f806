// What reading by the plan asks of the driver, behind a small interface: define the plan's own tags
// (its cache blocks and runs), read tags (decoded, or as the buffer of a ReadBlock for a run whose
// values go to several tags), say why a read failed, and the driver's PLC table with its cache
// slots. SessionPlanDriver passes each
// request to a HostSession; the bridge's driver (bridge/bridge_driver.h) is one as well, which its
// tests script.
//
// Single-threaded, like the driver: one request at a time.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_PLAN_DRIVER_H_
#define ZAN_TOOLS_ZANHOST_PLAN_PLAN_DRIVER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/host_session.h"
#include "tags/tag_values.h"

namespace zanhost {

// Why a read failed.
struct ReadFailure {
  std::string words;        // "no answer within the time-out (100 ms)"; "" when only the result
                            // code is known
  std::string outcome;      // a word for the result where the driver's would mislead ("not
                            // sent"), else ""
  bool plcRefused = false;  // the PLC answered the request with a refusal (a data block too short)
};

class PlanDriver {
 public:
  virtual ~PlanDriver() = default;

  // ParseTagAddress (and CheckArrayTag) of a tag of the plan's own, whose registration line is not
  // shown: false, with the driver's line in tag.refusal, when refused. A tag with an id keeps it
  // (HostSession::DefineTag).
  virtual bool DefineOwnTag(Tag& tag) = 0;
  // Forgets what is kept of a tag that is no longer read (HostSession::ForgetTag).
  virtual void ForgetTag(int32_t /*tagId*/) {}
  // A ReadBlock of the tag with its values decoded (HostSession::ReadValues).
  virtual int32_t ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy) = 0;
  // A ReadBlock of the tag into `buffer` (of tag.count values at least).
  virtual int32_t ReadBuffer(const Tag& tag, ValueBuffer& buffer, int32_t* servedBy) = 0;
  // Right after a read of `tag` that returned `result` (not 0) on PLC `servedBy`: why.
  virtual ReadFailure ExplainRead(const Tag& tag, int32_t result, int32_t servedBy) = 0;
  // What the latest read brought besides its result (HostSession::lastRequest): the result in a
  // word where the code misleads, a read that placed no value.
  virtual RequestNote LastRequest() const { return {}; }
  // The instance's state block, nullptr before Init and once closed.
  virtual const DriverState* state() const = 0;
  // The PDU size that PLC `plc` granted its S7 connection; 0 when not known.
  virtual int PduBytes(int plc) const = 0;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_PLAN_DRIVER_H_

// The plan's driver on a HostSession after Init. The driver's log lines that an explanation of a
// failed read takes on its way are kept for TakeLog, so that the caller sees every line once.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_SESSION_PLAN_DRIVER_H_
#define ZAN_TOOLS_ZANHOST_PLAN_SESSION_PLAN_DRIVER_H_

#include <string>
#include <vector>

#include "plan/plan_driver.h"
#include "session/host_session.h"
#include "transport/transport_operations.h"

namespace zanhost {

// The export of our transport library that tells the PDU size a connection was granted
// (QxConnectionPduSize); another transport library need not have it.
using ConnectionPduFunction = int(ZAN_STDCALL*)(uint32_t handle);

class SessionPlanDriver : public PlanDriver {
 public:
  explicit SessionPlanDriver(HostSession& session);

  bool DefineOwnTag(Tag& tag) override { return session_.DefineTag(tag, false); }
  void ForgetTag(int32_t tagId) override { session_.ForgetTag(tagId); }
  int32_t ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy) override {
    return session_.ReadValues(tag, values, servedBy);
  }
  int32_t ReadBuffer(const Tag& tag, ValueBuffer& buffer, int32_t* servedBy) override {
    return session_.Read(tag, buffer, false, servedBy);
  }
  ReadFailure ExplainRead(const Tag& tag, int32_t result, int32_t servedBy) override;
  RequestNote LastRequest() const override { return session_.lastRequest(); }
  const DriverState* state() const override { return session_.state(); }
  int PduBytes(int plc) const override;

  // The driver's log lines since the last call (HostSession::TakeLog), those that ExplainRead took
  // first.
  std::vector<std::string> TakeLog();

 private:
  HostSession& session_;
  mutable ConnectionPduFunction pduSize_ = nullptr;  // found at the first use, after Init
  std::vector<std::string> taken_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_SESSION_PLAN_DRIVER_H_

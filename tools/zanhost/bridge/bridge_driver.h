// What the bridge asks of the driver, behind a small interface: define, read and write tags (the
// reads by the plan, plan/plan_driver.h), initialise the instance again, warm-start PLCs, the
// driver's log lines and its PLC table. SessionDriver passes each request to a
// HostSession (the driver loaded and initialised); the bridge's tests stand a scripted driver on a
// clock of their own in its place, so that rounds, warm starts and writes that take seconds are
// tried without waiting.
//
// Single-threaded, like the driver: one request at a time, from the bridge's own thread.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_BRIDGE_DRIVER_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_BRIDGE_DRIVER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "plan/plan_driver.h"
#include "plan/session_plan_driver.h"
#include "session/host_session.h"
#include "session/plc_list.h"
#include "tags/tag_values.h"

namespace zanhost {

// The outcome of a write: the driver's result, the PLC that the request went to, why it failed in
// words ("" when done) and the driver's log lines of it.
struct DriverWrite {
  int32_t result = 0;
  int32_t servedBy = 0;
  std::string reason;
  std::vector<std::string> log;
};

class BridgeDriver : public PlanDriver {
 public:
  // ParseTagAddress (and CheckArrayTag) of a tag of the tag file: false, with the driver's line in
  // tag.refusal, when refused. A tag with an id keeps it (HostSession::DefineTag).
  virtual bool DefineTag(Tag& tag) = 0;
  // Init of the instance again (HostSession::Reinit): every cache slot freed, every PLC connected
  // anew; every tag must be defined again. Init's lines come with the next TakeLog. False, with
  // why in `error`, when Init failed.
  virtual bool Reinit(std::string& error) = 0;
  // A write of the values in `buffer` (WriteValue when `single`, else WriteBlock).
  virtual DriverWrite Write(const Tag& tag, ValueBuffer& buffer, bool single) = 0;
  // WarmStart of a PLC; `plc` may come back as the backup's number.
  virtual int32_t WarmStart(int32_t& plc) = 0;
  // What the latest warm start of `plc`, which returned `result` and left `restarted` in its
  // argument, brought back, in words (session/warm_start_report.h): "done", or which PLC came back
  // and which is still down and why. `stillDown` tells whether one is.
  virtual std::string WarmStartWords(int /*plc*/, int32_t /*restarted*/, int32_t result,
                                     bool& stillDown) const {
    stillDown = result != 0;
    return result == 0 ? "done" : "no connection restarted";
  }
  // The driver's log lines since the last call (not shown: the bridge shows them itself).
  virtual std::vector<std::string> TakeLog() = 0;
  // A PLC's state in words (session/plc_state_words.h).
  virtual std::string PlcWord(int plc) const = 0;
  // Whether a warm start can bring the PLC back (it cannot be reached and does not merely wait for
  // its heartbeat).
  virtual bool NeedsWarmStart(int plc) const = 0;
  // The PLCs of the configuration file.
  virtual const std::vector<ListedPlc>& plcs() const = 0;
  // "PLC 1 (S7 at 127.0.0.1)".
  virtual std::string DescribePlc(int number) const = 0;
  // Closes the driver's transport; nothing is read or written afterwards.
  virtual void Close() = 0;
};

// The bridge's driver on a HostSession after Init.
class SessionDriver : public BridgeDriver {
 public:
  explicit SessionDriver(HostSession& session) : session_(session), plan_(session) {}

  bool DefineTag(Tag& tag) override { return session_.DefineTag(tag); }
  bool DefineOwnTag(Tag& tag) override { return plan_.DefineOwnTag(tag); }
  bool Reinit(std::string& error) override { return session_.Reinit(error); }
  void ForgetTag(int32_t tagId) override { session_.ForgetTag(tagId); }
  int32_t ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy) override {
    return plan_.ReadValues(tag, values, servedBy);
  }
  int32_t ReadBuffer(const Tag& tag, ValueBuffer& buffer, int32_t* servedBy) override {
    return plan_.ReadBuffer(tag, buffer, servedBy);
  }
  ReadFailure ExplainRead(const Tag& tag, int32_t result, int32_t servedBy) override {
    return plan_.ExplainRead(tag, result, servedBy);
  }
  RequestNote LastRequest() const override { return session_.lastRequest(); }
  int PduBytes(int plc) const override { return plan_.PduBytes(plc); }
  DriverWrite Write(const Tag& tag, ValueBuffer& buffer, bool single) override;
  int32_t WarmStart(int32_t& plc) override { return session_.WarmStart(plc); }
  std::string WarmStartWords(int plc, int32_t restarted, int32_t result,
                             bool& stillDown) const override;
  std::vector<std::string> TakeLog() override { return plan_.TakeLog(); }
  const DriverState* state() const override { return session_.state(); }
  std::string PlcWord(int plc) const override { return session_.PlcWord(plc); }
  bool NeedsWarmStart(int plc) const override { return session_.NeedsWarmStart(plc); }
  const std::vector<ListedPlc>& plcs() const override { return session_.plcs(); }
  std::string DescribePlc(int number) const override { return session_.DescribePlc(number); }
  void Close() override { session_.Close(); }

 private:
  HostSession& session_;
  SessionPlanDriver plan_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_BRIDGE_DRIVER_H_

#include "plan/session_plan_driver.h"

#include "os/loaded_library.h"
#include "platform/library_names.h"
#include "session/failure_report.h"

namespace zanhost {

SessionPlanDriver::SessionPlanDriver(HostSession& session) : session_(session) {}

ReadFailure SessionPlanDriver::ExplainRead(const Tag& tag, int32_t result, int32_t servedBy) {
  // The explanation reads the lines of this request, which TakeLog hands out.
  const std::vector<std::string> lines = session_.TakeLog(false);
  taken_.insert(taken_.end(), lines.begin(), lines.end());
  const FailureReport report = ExplainFailure(session_, tag, result, servedBy);
  ReadFailure failure;
  // The generic report only repeats the result word.
  failure.words = report.generic ? "" : report.words;
  failure.outcome = report.outcome;
  failure.plcRefused = report.plcRefused;
  return failure;
}

int SessionPlanDriver::PduBytes(int plc) const {
  const DriverState* state = session_.state();
  if (state == nullptr || plc < 0 || plc >= kPlcCount) return 0;
  if (pduSize_ == nullptr) {
    pduSize_ = reinterpret_cast<ConnectionPduFunction>(
        FindLoadedFunction(zan::platform::kTransportLibrary, "QxConnectionPduSize"));
  }
  const uint16_t handle = state->plcs[plc].readConnection;
  if (pduSize_ == nullptr || handle == 0) return 0;
  return pduSize_(handle) & 0xFFFF;
}

std::vector<std::string> SessionPlanDriver::TakeLog() {
  std::vector<std::string> lines;
  lines.swap(taken_);
  const std::vector<std::string> fresh = session_.TakeLog(false);
  lines.insert(lines.end(), fresh.begin(), fresh.end());
  return lines;
}

}  // namespace zanhost

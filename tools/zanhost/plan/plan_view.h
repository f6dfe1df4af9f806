// The read plan shown to a user (zanhost plan): per PLC the blocks and runs with their memory, the
// requests they take and the tags they serve; then the tags read alone and why; the requests a
// round takes, against reading tag by tag.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_PLAN_VIEW_H_
#define ZAN_TOOLS_ZANHOST_PLAN_PLAN_VIEW_H_

#include <functional>
#include <string>
#include <vector>

#include "plan/read_plan.h"
#include "session/host_session.h"

namespace zanhost {

struct PlanViewInput {
  const ReadPlan* plan = nullptr;
  const std::vector<Tag>* tags = nullptr;             // the plan's tags, by index
  std::function<std::string(int plc)> describePlc;    // "PLC 1 (S7 at 127.0.0.1)"
  std::function<std::string(const Tag& tag)> memory;  // "data block 10, bytes 0 to 399"
};

// One text line each.
std::vector<std::string> PlanLines(const PlanViewInput& view);

// One JSON object: {"requests":2,"tagByTag":200,"plcs":[...],"reads":[...],"alone":[...]}.
std::string PlanJson(const PlanViewInput& view);

// "2 requests a round by the plan (tag by tag: 200)", for the summaries.
std::string RequestsWords(const ReadPlan& plan);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_PLAN_VIEW_H_

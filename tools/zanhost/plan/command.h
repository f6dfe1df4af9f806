// zanhost plan: the read plan of a tag file (plan/read_plan.h) as poll and bridge read it, shown
// per PLC (plan/plan_view.h); and the --plan option of the commands that read rounds.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_PLAN_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

#include "session/host_session.h"

namespace zanhost {

struct PlanOptions {
  HostOptions host;
  std::string tagFile;
  bool plan = true;
  bool json = false;
};

CLI::App* AddPlanCommand(CLI::App& app, PlanOptions& options);
int RunPlan(const PlanOptions& options);

// --plan on|off: rounds read by the plan (on, the default) or tag by tag, as without one.
void AddPlanOption(CLI::App* command, bool& on);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_COMMAND_H_

#include "session/warm_start_schedule.h"

#include <cstdio>

namespace zanhost {

bool WarmStartSchedule::Due(int plc, bool down, double now) {
  if (!down || period_ <= 0) {
    nextAttempt_.erase(plc);
    return false;
  }
  const auto found = nextAttempt_.find(plc);
  if (found != nextAttempt_.end() && now < found->second) return false;
  nextAttempt_[plc] = now + period_;
  return true;
}

std::string WarmStartSchedule::Note(bool down) const {
  if (!down || period_ <= 0) return "";
  char text[48];
  std::snprintf(text, sizeof text, "warm start every %g s", period_);
  return text;
}

std::vector<WarmStartOutcome> WarmStartDue(const WarmStartFunction& warmStart,
                                           WarmStartSchedule& schedule,
                                           const std::map<int, bool>& down, double now) {
  std::vector<WarmStartOutcome> outcomes;
  for (const auto& [plc, isDown] : down) {
    if (!schedule.Due(plc, isDown, now)) continue;
    WarmStartOutcome outcome;
    outcome.plc = plc;
    int32_t restarted = plc;
    outcome.result = warmStart(restarted);
    outcome.restarted = restarted;
    outcomes.push_back(outcome);
  }
  return outcomes;
}

}  // namespace zanhost

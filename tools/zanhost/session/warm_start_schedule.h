// Warm starts of the PLCs that cannot be reached, as the host must do them: the driver never
// reconnects inside a read, so a PLC that dropped (and has no heartbeat tag to reconnect it) stays
// down until the host sends a warm start. While a PLC is down (NeedsWarmStart of
// session/plc_state_words.h: its link down or never connected, and not merely waiting for its
// pair's heartbeat tag, which no warm start can replace) it is warm-started at once and then every
// `period` seconds until it is back. Shared by poll and bridge.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_WARM_START_SCHEDULE_H_
#define ZAN_TOOLS_ZANHOST_SESSION_WARM_START_SCHEDULE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zanhost {

constexpr double kDefaultReconnectSeconds = 5;

class WarmStartSchedule {
 public:
  // `period` in seconds; 0 never warm-starts.
  explicit WarmStartSchedule(double period) : period_(period) {}

  // Takes whether a PLC is down at `now` (seconds, monotonic) and says whether to warm-start it
  // now; if so, the next one falls due a period later.
  bool Due(int plc, bool down, double now);

  // "warm start every 5 s" for a PLC that is down, when warm starts are on; else "".
  std::string Note(bool down) const;

  double period() const { return period_; }

 private:
  double period_;
  std::map<int, double> nextAttempt_;  // the PLCs that are down
};

// The outcome of one warm start.
struct WarmStartOutcome {
  int plc = 0;
  int restarted = 0;  // the PLC the driver restarted: the backup's number when it was the backup
  int result = 0;
};

// The host's warm start (command 2): takes the PLC number, may hand back the backup's, returns the
// driver's result.
using WarmStartFunction = std::function<int32_t(int32_t& plc)>;

// Warm-starts each PLC of `down` (PLC number, whether it is down) that is due; returns what was
// done.
std::vector<WarmStartOutcome> WarmStartDue(const WarmStartFunction& warmStart,
                                           WarmStartSchedule& schedule,
                                           const std::map<int, bool>& down, double now);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_WARM_START_SCHEDULE_H_

// Warm starts of the PLCs whose link is down, as the host must do them: the driver never reconnects
// inside a read, so a PLC that dropped (and has no heartbeat tag to reconnect it) stays down until
// the host sends a warm start. While a PLC's status says "link down" it is warm-started at once and
// then every `period` seconds until its status changes. Shared by poll and bridge.
#ifndef ZAN_TOOLS_ZANHOST_WARM_START_SCHEDULE_H_
#define ZAN_TOOLS_ZANHOST_WARM_START_SCHEDULE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zanhost {

constexpr double kDefaultReconnectSeconds = 5;
constexpr int kStatusLinkDown = 4;

class WarmStartSchedule {
 public:
  // `period` in seconds; 0 never warm-starts.
  explicit WarmStartSchedule(double period) : period_(period) {}

  // Takes the status value of a PLC at `now` (seconds, monotonic) and says whether to warm-start
  // it now; if so, the next one falls due a period later.
  bool Due(int plc, int status, double now);

  // "warm start every 5 s" for the status value of a PLC whose link is down, when warm starts are
  // on; else "".
  std::string Note(int status) const;

  double period() const { return period_; }

 private:
  double period_;
  std::map<int, double> nextAttempt_;  // the PLCs whose link is down
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

// Warm-starts each PLC of `statuses` (PLC number, status value) that is due; returns what was done.
std::vector<WarmStartOutcome> WarmStartDue(const WarmStartFunction& warmStart,
                                           WarmStartSchedule& schedule,
                                           const std::map<int, int>& statuses, double now);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_WARM_START_SCHEDULE_H_

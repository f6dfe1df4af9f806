// poll --changes: which tags, and whether the PLCs' states, changed since the round before.
#ifndef ZAN_TOOLS_ZANHOST_POLL_CHANGE_FILTER_H_
#define ZAN_TOOLS_ZANHOST_POLL_CHANGE_FILTER_H_

#include <string>
#include <vector>

#include "poll/readings.h"

namespace zanhost {

class ChangeFilter {
 public:
  // One flag a tag of the round and a last one for the PLCs: true when the tag's value or result
  // differs from the round before (or the PLCs' states do); everything counts as changed in the
  // first round.
  std::vector<bool> Changed(const PollRound& round);

 private:
  std::vector<std::string> tags_;
  std::string plcs_;
  bool first_ = true;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_CHANGE_FILTER_H_

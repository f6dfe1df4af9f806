// The writes that arrived from the broker, waiting for the loop (bridge/loop.h), which carries them
// out between its rounds a few at a time: a flood of commands never holds a round up for longer
// than one write, and the link is served between every two. A face adds one write for each set
// message and each metric of a command, after the checks that need no PLC; the queue holds at
// most kMaxWaiting, so that a client that sends faster than the PLCs take its writes is refused in
// words instead of making the bridge's memory and delay grow without bound.
//
// Each write is a function that either carries the write out or, given a reason, refuses it
// (the bridge stops, the session that took it ended): a write that waits is never dropped
// without a word.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_WRITE_QUEUE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_WRITE_QUEUE_H_

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace zanhost {

class WriteQueue {
 public:
  // Carries the write out when `refusal` is "", else refuses it for that reason.
  using Write = std::function<void(const std::string& refusal)>;

  static constexpr std::size_t kMaxWaiting = 1000;

  // Whether `count` more writes may wait; false with the reason in words otherwise.
  bool HasRoom(std::size_t count, std::string& reason) const;
  void Add(Write write) { waiting_.push_back(std::move(write)); }

  // Carries out the oldest write; false when none waits.
  bool RunOne();
  // Refuses every write that waits, for that reason.
  void RefuseAll(const std::string& reason);

  std::size_t size() const { return waiting_.size(); }
  bool empty() const { return waiting_.empty(); }

 private:
  std::deque<Write> waiting_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_WRITE_QUEUE_H_

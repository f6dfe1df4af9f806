#include "bridge/write_queue.h"

namespace zanhost {

bool WriteQueue::HasRoom(std::size_t count, std::string& reason) const {
  if (waiting_.size() + count <= kMaxWaiting) return true;
  reason = std::to_string(waiting_.size()) + " writes wait already and " + std::to_string(count) +
           (count == 1 ? " more does" : " more do") + " not fit: the bridge keeps at most " +
           std::to_string(kMaxWaiting) + " waiting; send again when the PLCs have taken them";
  return false;
}

bool WriteQueue::RunOne() {
  if (waiting_.empty()) return false;
  // Taken off first: the write may add others (none today), or refuse them all.
  Write write = std::move(waiting_.front());
  waiting_.pop_front();
  write("");
  return true;
}

void WriteQueue::RefuseAll(const std::string& reason) {
  while (!waiting_.empty()) {
    Write write = std::move(waiting_.front());
    waiting_.pop_front();
    write(reason);
  }
}

}  // namespace zanhost

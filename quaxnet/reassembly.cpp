#include "quaxnet/reassembly.h"

#include <cstring>

namespace quaxnet {

uint8_t* Reassembly::FreeSpace() {
  // Move what is left to the front, so that all the free space is in one piece.
  if (begin_ != 0) {
    std::memmove(bytes_, bytes_ + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  return bytes_ + end_;
}

void Reassembly::Commit(std::size_t bytes) {
  end_ += bytes <= kCapacity - end_ ? bytes : kCapacity - end_;
}

std::size_t Reassembly::Append(const uint8_t* bytes, std::size_t size) {
  uint8_t* space = FreeSpace();
  const std::size_t taken = size < FreeBytes() ? size : FreeBytes();
  if (taken != 0) std::memcpy(space, bytes, taken);
  end_ += taken;
  return taken;
}

TpktCheck Reassembly::Front(const uint8_t** tpkt, std::size_t* length) const {
  const TpktCheck check = CheckTpkt(bytes_ + begin_, end_ - begin_, length);
  if (check == TpktCheck::kComplete) *tpkt = bytes_ + begin_;
  return check;
}

void Reassembly::Consume(std::size_t length) {
  begin_ += length <= end_ - begin_ ? length : end_ - begin_;
  if (begin_ == end_) begin_ = end_ = 0;
}

}  // namespace quaxnet

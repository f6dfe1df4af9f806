// The bytes of a connection's TCP stream that have arrived but not yet been taken as TPKTs. TCP
// may cut the stream anywhere: a TPKT may come in pieces over several reads, and one read may hold
// several TPKTs. The buffer has a fixed size of two TPKTs of the largest size accepted, so a peer
// can never make it grow, and whenever it is full it holds at least one whole (or one malformed)
// TPKT: taking TPKTs out always makes room.
#ifndef QUAXNET_REASSEMBLY_H_
#define QUAXNET_REASSEMBLY_H_

#include <cstddef>
#include <cstdint>

#include "quaxnet/wire_iso.h"

namespace quaxnet {

class Reassembly {
 public:
  static constexpr std::size_t kCapacity = 2 * kMaxTpktBytes;

  // Where the next bytes from the socket go, and how many fit; Commit counts what was put there.
  uint8_t* FreeSpace();
  std::size_t FreeBytes() const { return kCapacity - end_; }
  void Commit(std::size_t bytes);

  // Appends what fits of `bytes`; returns how many were taken.
  std::size_t Append(const uint8_t* bytes, std::size_t size);

  // The TPKT at the front, when it has arrived whole (`*tpkt` and `*length` set), or whether the
  // stream is malformed there. The TPKT stays until Consume.
  TpktCheck Front(const uint8_t** tpkt, std::size_t* length) const;
  void Consume(std::size_t length);

  void Clear() { begin_ = end_ = 0; }

 private:
  uint8_t bytes_[kCapacity]{};
  std::size_t begin_ = 0;  // first byte not yet consumed
  std::size_t end_ = 0;    // one past the last byte received
};

}  // namespace quaxnet

#endif  // QUAXNET_REASSEMBLY_H_

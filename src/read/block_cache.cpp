#include "read/block_cache.h"

#include <cstring>

namespace zan {
namespace {

bool Usable(const CacheBlock& block) {
  return block.tagId != kCacheSlotFree && block.length <= kCacheBlockBytes;
}

}  // namespace

int FindCoveringBlock(const DriverState& state, int32_t plc, const TransferRecord& record) {
  const int32_t first = record.start;
  const int32_t end = first + record.length;  // no 16-bit wrap
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    const CacheBlock& block = state.cache[slot];
    if (!Usable(block) || block.dbNumber != record.dbNumber || block.plcNumber != plc) continue;
    if (first >= block.start && end <= block.start + block.length) return slot;
  }
  return kNoCacheSlot;
}

int FindTagBlock(const DriverState& state, int32_t tagId) {
  // A free slot's tagId (-1) names no tag.
  if (tagId == kCacheSlotFree) return kNoCacheSlot;
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    if (state.cache[slot].tagId == tagId) return Usable(state.cache[slot]) ? slot : kNoCacheSlot;
  }
  return kNoCacheSlot;
}

void CopyFromBlock(DriverState& state, int slot, const TransferRecord& record) {
  const CacheBlock& block = state.cache[slot];
  // Inside the block: start - block start + length <= block length <= kCacheBlockBytes.
  std::memcpy(state.transferBuffer, block.data + (record.start - block.start), record.length);
}

void StoreFetchedBlock(DriverState& state, int slot, bool fetched) {
  CacheBlock& block = state.cache[slot];
  if (fetched) {
    std::memcpy(block.data, state.transferBuffer, block.length);
    block.valid = 1;
  } else if (block.valid != kCacheNeverFetched) {
    block.valid = 0;
  }
}

}  // namespace zan

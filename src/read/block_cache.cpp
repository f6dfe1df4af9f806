#include "read/block_cache.h"

#include <cstddef>
#include <cstring>

namespace zan {
namespace {

constexpr std::size_t kNumbersOffset = offsetof(CacheBlock, plcNumber);
static_assert(offsetof(CacheBlock, dbNumber) == kNumbersOffset + 2);

bool Usable(const CacheBlock& block) {
  return block.tagId != kCacheSlotFree && block.length <= kCacheBlockBytes;
}

}  // namespace

int FindCoveringBlock(const DriverState& state, int32_t plc, const TransferRecord& record) {
  if (plc < 0 || plc > 0xFFFF) return kNoCacheSlot;
  const int32_t first = record.start;
  const int32_t end = first + record.length;  // no 16-bit wrap
  // The block's PLC and data block numbers stand side by side: one 32-bit comparison tells a slot
  // of another block. Its tagId, 1 KiB before them, is read on a match only, so a scan of the 100
  // slots touches one cache line per slot.
  const uint16_t wanted[2] = {static_cast<uint16_t>(plc), record.dbNumber};
  uint32_t key;
  std::memcpy(&key, wanted, sizeof key);
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    const CacheBlock& block = state.cache[slot];
    uint32_t numbers;
    std::memcpy(&numbers, reinterpret_cast<const uint8_t*>(&block) + kNumbersOffset,
                sizeof numbers);
    if (numbers != key) continue;
    if (first < block.start || end > block.start + block.length || !Usable(block)) continue;
    return slot;
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

// The block cache as the read side uses it: finding the block that holds a request, serving a read
// from it, and storing what a cache-block tag fetched.
//
// A slot counts only while it is registered (tagId not -1) and its length is within the 1000 bytes
// of its data; a slot outside that rule, which no parse leaves behind, is never served and never
// filled. Not thread-safe: one request at a time.
#ifndef ZAN_READ_BLOCK_CACHE_H_
#define ZAN_READ_BLOCK_CACHE_H_

#include <cstdint>

#include "core/driver_state.h"
#include "transport/transport_operations.h"

namespace zan {

constexpr int kNoCacheSlot = -1;

// The first slot, in ascending order, of PLC `plc` and the record's data block that holds the whole
// of the record's bytes (start and start + length compared without 16-bit wrap); the area is not
// compared. kNoCacheSlot when there is none.
int FindCoveringBlock(const DriverState& state, int32_t plc, const TransferRecord& record);

// The first slot that cache-block tag `tagId` owns; kNoCacheSlot when there is none.
int FindTagBlock(const DriverState& state, int32_t tagId);

// Copies the record's bytes out of slot `slot`'s data (which FindCoveringBlock found to hold them)
// to the start of transferBuffer.
void CopyFromBlock(DriverState& state, int slot, const TransferRecord& record);

// After a fetch of slot `slot`'s block: on success the block's length of bytes is copied from
// transferBuffer into its data and it is served from now on; on failure a block that was fetched
// before is no longer served, and one that never was stays kCacheNeverFetched.
void StoreFetchedBlock(DriverState& state, int slot, bool fetched);

}  // namespace zan

#endif  // ZAN_READ_BLOCK_CACHE_H_

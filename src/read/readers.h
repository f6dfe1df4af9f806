// The readers of the data kinds: each plans its transfer (transfer_values.h), reads it with
// ReadFromPlc and, on success, places the values into the item's value buffer (value_decoding.h).
// The status and heartbeat kinds have readers of their own (switchover_tags.h).
#ifndef ZAN_READ_READERS_H_
#define ZAN_READ_READERS_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "read/read_from_plc.h"

namespace zan {

// Reads `item` with the reader of `kind` (the item's own kind, or kind 0 for a heartbeat word):
// `count` bytes, words, double words, floats, input/output/flag bytes or words; one string; or a
// cache-block tag's whole block, whose host value is a 16-bit 0. `item.plc` must name a row of the
// PLC table and `addressText` and `valueBuffer` must be set. Returns the result of ReadFromPlc
// (values placed only on 0), or 1 for a kind without a reader or a transfer that cannot be planned
// (a count that does not fit transferBuffer, a string text without its length). A string read
// clears transferBuffer and the first 4 bytes of the value buffer first, so that a failed read
// leaves the host an empty text. The text of an S7 string with header ends at its current length
// when that is at most the tag's string length. `cacheUse` goes to ReadFromPlc.
int32_t ReadTagAs(DriverState& state, TagItem& item, int32_t kind,
                  CacheUse cacheUse = CacheUse::kServe);

}  // namespace zan

#endif  // ZAN_READ_READERS_H_

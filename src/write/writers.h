// The writers: one per writable kind of tag. Each places the host's values into transferBuffer in
// the PLC's layout (value_encoding.h, string_encoding.h), fills the transfer request record with
// the values that a read of the same tag asks for (read/transfer_values.h; a string's length is
// that of its encoding: L + 2 bytes or L / 2 + 2 words for 'S', L bytes or L / 2 words for 'C')
// and writes it with WriteToPlc.
//
// Not thread-safe: the host sends one request at a time.
#ifndef ZAN_WRITE_WRITERS_H_
#define ZAN_WRITE_WRITERS_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"

namespace zan {

// Runs the writer of the item's kind (chosen by the low 8 bits of `kind`) for the PLC named by
// `item.plc`, which must be a row of the PLC table, and returns its result (that of WriteToPlc).
// Returns 1 without sending anything for a kind without a writer (cache-block, status and
// heartbeat tags, unknown kinds), for a `count` below 1 or whose data would not fit into
// transferBuffer, for a string tag whose address text carries no string length, and for an item
// without a value buffer.
int32_t WriteTagValues(DriverState& state, TagItem& item);

}  // namespace zan

#endif  // ZAN_WRITE_WRITERS_H_

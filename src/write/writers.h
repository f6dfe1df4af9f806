// The writers: one per writable kind of tag. Each places the host's values into transferBuffer in
// the PLC's layout, fills the transfer request record (area, data block, start, length) and writes
// it with WriteToPlc.
//
// Transfer request values (off: low 16 bits of `address`; db: its high 16 bits; n: `count`;
// L: the string length of the address text). S7 = a PLC of type 7, S5 = every other type; start
// and length wrap modulo 65536.
//
//   writer               area        start S7    start S5    length S7   length S5
//   byte 'B'             1           off         off         n           n
//   word, kind 0         1           2 off       off         2 n         n
//   word, kind 1         1           2 off + 1   off         2 n         n
//   'F', 'D'             1           4 off       2 off       4 n         2 n
//   'f', 'd'             1           4 off + 2   2 off + 1   4 n         2 n
//   string 'S'           1           off         off         L + 2       L / 2 + 2
//   string 'C'           1           off         off         L           L / 2
//   I/Q/M byte           3, 4, 2     off         off         n           n
//   I/Q/M word           3, 4, 2     2 off       off         2 n         n
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

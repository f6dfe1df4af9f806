// The data block forms: plain values (types B, W, D, F and the heartbeat words 1 and 2, in areas
// D and X) and strings (area S, or type S in area D or X).
#ifndef ZAN_ADDRESS_DATA_BLOCK_ADDRESS_H_
#define ZAN_ADDRESS_DATA_BLOCK_ADDRESS_H_

#include <cstdint>

#include "address/address_parse.h"

namespace zan {

// Checks the form's exact length (11, or 13 for a bit tag; one more with LONG_DB), the S5 data
// block limit of 255 and the alignment of the offset, then sets `kind`, `address` and `width`, and
// adds 256 to `plc` for a heartbeat word. `hexadecimalOffset` for area X. The bit number and the
// host type are left to the caller. Returns 0, or 1 after logging the refusal.
int32_t ParseDataBlockAddress(AddressParse& parse, bool hexadecimalOffset);

// Checks the form's exact length (13, 14 with LONG_DB), the S5 data block limit, the host's string
// type, the type letter (B or S) and the string length (1 to 80), then sets `kind` (0x43 for type
// B, 0x53 for type S) and `address`. The offset is decimal, in area X too. Returns 0 or 1.
int32_t ParseStringAddress(AddressParse& parse);

}  // namespace zan

#endif  // ZAN_ADDRESS_DATA_BLOCK_ADDRESS_H_

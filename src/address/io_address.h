// The input, output and flag form: 01IB0002 (input byte 2), 01MW0020 (flag word at byte 20),
// 01QB000203 (bit 3 of output byte 2). No data block, and no fixed length: the caller tests the
// end of the text with the host type (ApplyHostTypeRules).
#ifndef ZAN_ADDRESS_IO_ADDRESS_H_
#define ZAN_ADDRESS_IO_ADDRESS_H_

#include <cstdint>

#include "address/address_parse.h"

namespace zan {

// Reads the byte address (up to four digits from position 4, which the caller has checked to be
// present) and sets `kind` (type letter x 256 + area letter) and `address`. A word must start at an
// even byte on every PLC; an S7 word is then stored as byte address / 2. Returns 0 or 1.
int32_t ParseIoAddress(AddressParse& parse);

}  // namespace zan

#endif  // ZAN_ADDRESS_IO_ADDRESS_H_

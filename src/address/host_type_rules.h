// The rules that tie an accepted data block or input/output/flag address to the host's data type
// of the tag: floats only for the float type, double words only for types 4 and 5, and a bit number
// exactly for the bit type. Check-only parses skip them.
#ifndef ZAN_ADDRESS_HOST_TYPE_RULES_H_
#define ZAN_ADDRESS_HOST_TYPE_RULES_H_

#include <cstdint>

#include "address/address_parse.h"

namespace zan {

// For a bit tag also reads `bit` (positions 11-12 of a data block form, 12-13 with LONG_DB;
// positions 8-9 of an input, output or flag form) and checks it against the value's width. For an
// input, output or flag form of another type checks the end of the text. `area` is D (for X too),
// I, Q or M. Returns 0 or 1.
int32_t ApplyHostTypeRules(AddressParse& parse, char area);

}  // namespace zan

#endif  // ZAN_ADDRESS_HOST_TYPE_RULES_H_

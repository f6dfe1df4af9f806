// The host's data types as zanhost names them, with the type codes that the driver's address
// parser knows (3 float, 4 and 5 double words, 6 bit, 7 string; 1, 2 and 8 have no rule of their
// own: zanhost takes 8 for a byte, which a byte address holds in a 16-bit cell).
#ifndef ZAN_TOOLS_ZANHOST_TAGS_HOST_TYPES_H_
#define ZAN_TOOLS_ZANHOST_TAGS_HOST_TYPES_H_

#include <cstdint>
#include <string>

namespace zanhost {

enum HostTypeCode : int32_t {
  kHostInt = 1,     // signed 16-bit
  kHostWord = 2,    // unsigned 16-bit
  kHostFloat = 3,   // IEEE single
  kHostDint = 4,    // signed 32-bit
  kHostDword = 5,   // unsigned 32-bit
  kHostBit = 6,     // one bit of a word or byte
  kHostString = 7,  // text
  kHostByte = 8,    // unsigned 8-bit, of a byte address
};

// The code for a name (int, word, byte, float, dint, dword, bit, string; any case) or a decimal
// code.
// False for anything else.
bool ParseHostType(const std::string& text, int32_t& code);

// The name of a code, or its number when it has no name.
std::string HostTypeName(int32_t code);

// "int|word|byte|float|dint|dword|bit|string": for --help and error lines.
const char* HostTypeChoices();

bool IsSignedHostType(int32_t code);

// The type of an address given without one: byte for a byte address (a data-block byte "DB", an
// input, output or flag byte), word for any other.
int32_t DefaultHostType(const std::string& address);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_HOST_TYPES_H_

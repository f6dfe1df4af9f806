// Numbers in command lines and PLC lines: decimal, or hexadecimal after "0x".
#ifndef ZAN_PLCSIM_NUMBER_TEXT_H_
#define ZAN_PLCSIM_NUMBER_TEXT_H_

#include <cstdint>
#include <string_view>

namespace plcsim {

// Parses all of `text` as a number from 0 to `maximum`. False when it is empty, has other
// characters, or is larger.
inline bool ParseNumber(std::string_view text, uint64_t maximum, uint64_t* value) {
  unsigned base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t result = 0;
  for (char c : text) {
    unsigned digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = static_cast<unsigned>(c - 'a' + 10);
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<unsigned>(c - 'A' + 10);
    } else {
      return false;
    }
    // A digit above a small maximum (rack=9 with 7) would wrap maximum - digit.
    if (digit > maximum || result > (maximum - digit) / base) return false;
    result = result * base + digit;
  }
  *value = result;
  return true;
}

}  // namespace plcsim

#endif  // ZAN_PLCSIM_NUMBER_TEXT_H_

// Bytes as hexadecimal text, for log lines and control answers.
#ifndef ZAN_PLCSIM_HEX_TEXT_H_
#define ZAN_PLCSIM_HEX_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace plcsim {

// "0x0A"
inline std::string HexByte(uint8_t value) {
  static const char kDigits[] = "0123456789ABCDEF";
  return std::string{'0', 'x', kDigits[value >> 4], kDigits[value & 15]};
}

// "0x8104"
inline std::string HexWord(uint16_t value) {
  return HexByte(static_cast<uint8_t>(value >> 8)) + HexByte(static_cast<uint8_t>(value)).substr(2);
}

// "12 34 00"
inline std::string HexBytes(const uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(size * 3);
  for (std::size_t i = 0; i < size; ++i) {
    if (i != 0) text += ' ';
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

}  // namespace plcsim

#endif  // ZAN_PLCSIM_HEX_TEXT_H_

#include "write/string_encoding.h"

#include <algorithm>
#include <cstring>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "read/value_decoding.h"

namespace zan {
namespace {

constexpr int kHeaderBytes = 2;
// The S5 transfer of a string with header: the maximum length in words and two words more.
constexpr int kHeaderTransferWords = 2;

// Characters of `text` before its terminating zero, counting no further than `limit`.
int TextLength(const char* text, int limit) {
  int length = 0;
  while (length < limit && text[length] != '\0')
    ++length;
  return length;
}

bool ValidLength(int length) {
  return length >= 1 && length <= kStringLengthMax;
}

}  // namespace

StringTransfer EncodeStringWithHeader(const char* text, int length, uint8_t plcType,
                                      std::span<uint8_t> out) {
  if (!ValidLength(length)) return {0, 0};
  const bool s7 = plcType == kPlcTypeS7;
  const int maximum = s7 ? length : length / 2;
  const int bytes = s7 ? maximum + kHeaderBytes : 2 * (maximum + kHeaderTransferWords);
  if (static_cast<std::size_t>(bytes) > out.size()) return {0, 0};
  std::span<uint8_t> area = out.first(static_cast<std::size_t>(bytes));

  // A text longer than the tag's string is cut to it, its length byte too. Every byte that the
  // transfer carries behind the text is zero, in both layouts.
  const int characters = TextLength(text, length);
  std::fill(area.begin(), area.end(), 0);
  area[0] = static_cast<uint8_t>(maximum);
  area[1] = static_cast<uint8_t>(characters);
  std::memcpy(&area[kHeaderBytes], text, static_cast<std::size_t>(characters));

  // The S5 layout takes words in host order (type 6 too): the characters are exchanged in pairs.
  if (!s7) ExchangeBytePairs(area.data(), static_cast<int32_t>(area.size()));
  const int transferLength = s7 ? bytes : bytes / 2;
  return {static_cast<uint16_t>(transferLength), static_cast<uint16_t>(bytes)};
}

StringTransfer EncodeCharacters(const uint8_t* characters, int length, uint8_t plcType,
                                std::span<uint8_t> out) {
  if (!ValidLength(length)) return {0, 0};
  const bool s7 = plcType == kPlcTypeS7;
  const int bytes = s7 ? length : 2 * (length / 2);
  if (static_cast<std::size_t>(bytes) > out.size()) return {0, 0};
  std::span<uint8_t> area = out.first(static_cast<std::size_t>(bytes));

  if (s7) {
    std::memcpy(area.data(), characters, area.size());
  } else {
    // Every character that the words carry, up to the end of the host's text, then zeros.
    const int copied = TextLength(reinterpret_cast<const char*>(characters), bytes);
    std::fill(area.begin(), area.end(), 0);
    std::memcpy(area.data(), characters, static_cast<std::size_t>(copied));
    ExchangeBytePairs(area.data(), static_cast<int32_t>(area.size()));
  }
  const int transferLength = s7 ? bytes : bytes / 2;
  return {static_cast<uint16_t>(transferLength), static_cast<uint16_t>(bytes)};
}

}  // namespace zan

#include "read/byte_addressed_words.h"

#include "core/driver_state.h"

namespace zan {
namespace {

// Byte addresses of a data block are 16-bit in the transfer record.
constexpr uint32_t kByteAddressSpace = 0x10000;

}  // namespace

bool CarriesWordsAsBytes(uint8_t plcType, const TransferRecord& record) {
  return plcType == kPlcTypeS5ValuesBySlot && record.area == kAreaDataBlock;
}

bool WordRecordInBytes(const TransferRecord& words, TransferRecord* bytes) {
  const uint32_t start = 2u * words.start;
  const uint32_t length = 2u * words.length;
  if (start + length > kByteAddressSpace || length >= kByteAddressSpace) return false;
  *bytes = words;
  bytes->start = static_cast<uint16_t>(start);
  bytes->length = static_cast<uint16_t>(length);
  return true;
}

}  // namespace zan

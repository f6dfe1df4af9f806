#include "address/tag_address.h"
#include "core/byte_order.h"
#include "read/read_commands.h"
#include "write/write_commands.h"

namespace zan {
namespace {

constexpr int kSingleValueOffset = 2;  // the host's single-value cell holds its word in bytes 2, 3

}  // namespace

int32_t WriteValue(ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr) {
    return kResultRefused;
  }
  TagItem& item = *static_cast<TagItem*>(request->argument);
  auto* const buffer = static_cast<uint8_t*>(item.valueBuffer);
  if (buffer == nullptr) return kResultRefused;

  if (item.kind == kKindCacheBlock) return kResultRefused;
  const bool integerKind = IsIntegerKind(item.kind);
  // The host's word stands 2 bytes in only for an integer kind; the value of a string may be
  // shorter than 4 bytes (the L characters of a 'C' tag, the text of an 'S' tag).
  const uint16_t hostWord = integerKind ? LoadLittle16(buffer + kSingleValueOffset) : 0;
  const uint32_t bit = item.bit;

  if (bit != kBitWholeValue) {
    // The parser gives bit numbers to word, byte and input/output/flag tags only; a bit of a float,
    // double word or string has no word to change.
    if (!integerKind) return kResultRefused;
    const bool setBit = (hostWord & 1) != 0;
    const uint16_t mask = bit < 16 ? static_cast<uint16_t>(1u << bit) : 0;
    // The whole word, read as the PLC holds it now: never from a cache block.
    item.bit = kBitWholeValue;
    const int32_t readResult = ReadValueFromPlc(request);
    if (readResult != kResultDone) {
      StoreLittle16(buffer + kSingleValueOffset, hostWord);
      item.bit = bit;
      return readResult;
    }
    const uint16_t word = LoadLittle16(buffer + kSingleValueOffset);
    StoreLittle16(buffer + kSingleValueOffset, setBit ? static_cast<uint16_t>(word | mask)
                                                      : static_cast<uint16_t>(word & ~mask));
  }

  item.count = 1;
  if (integerKind) item.valueBuffer = buffer + kSingleValueOffset;
  const int32_t result = WriteBlock(request);
  if (integerKind) {
    // A bit write leaves the host's value as the host gave it.
    StoreLittle16(buffer + kSingleValueOffset, hostWord);
    item.valueBuffer = buffer;
  }
  // A host that keeps one TagItem per tag must find its bit number again: without it, the tag's
  // next write would overwrite the whole word.
  item.bit = bit;
  return result;
}

}  // namespace zan

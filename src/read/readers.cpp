#include "read/readers.h"

#include <cstring>

#include "address/tag_address.h"
#include "core/byte_order.h"
#include "read/read_from_plc.h"
#include "read/transfer_values.h"
#include "read/value_decoding.h"

namespace zan {
namespace {

// Room that the host keeps for a string: the string length + 3 bytes, and at least these.
constexpr int32_t kTextCellMinimum = 4;
constexpr int32_t kStringHeaderBytes = 2;

// The end of the text in transferBuffer: behind the transferred bytes at the latest and, for an S7
// string with its header, behind the current length when the header holds one that fits the tag.
int32_t TextEnd(const DriverState& state, ValueLayout layout, bool s7, int32_t length,
                int32_t transferred) {
  if (!s7 || layout != ValueLayout::kString) return transferred;
  const int32_t current = state.transferBuffer[1];
  return current <= length ? kStringHeaderBytes + current : transferred;
}

int32_t ReadString(DriverState& state, TagItem& item, int32_t kind, ValueLayout layout,
                   CacheUse cacheUse) {
  auto* text = static_cast<uint8_t*>(item.valueBuffer);
  std::memset(state.transferBuffer, 0, sizeof state.transferBuffer);
  std::memset(text, 0, kTextCellMinimum);

  const PlcEntry& plc = state.plcs[item.plc];
  TransferPlan plan;
  const int32_t length = StringTagLength(state, item.addressText);
  if (!PlanTransfer(kind, plc.type, item.address, 1, length, &plan)) return kResultRefused;
  const int32_t result = ReadFromPlc(state, item, plan.record, cacheUse);
  if (result != kResultDone) return result;

  // The S5 layout holds words in host order (type 6 too, byte_addressed_words.h): the characters
  // go back into PLC order.
  const bool s7 = plc.type == kPlcTypeS7;
  if (!s7) ExchangeBytePairs(state.transferBuffer, plan.bytes);
  // Only what was transferred makes the text: the cleared buffer ends it there at the latest.
  const int32_t first = layout == ValueLayout::kString ? kStringHeaderBytes : 0;
  CopyText(state.transferBuffer, first, TextEnd(state, layout, s7, length, plan.bytes), text);
  return kResultDone;
}

}  // namespace

int32_t ReadTagAs(DriverState& state, TagItem& item, int32_t kind, CacheUse cacheUse) {
  const ValueLayout layout = LayoutOfKind(kind);
  if (layout == ValueLayout::kString || layout == ValueLayout::kCharacters)
    return ReadString(state, item, kind, layout, cacheUse);

  const PlcEntry& plc = state.plcs[item.plc];
  TransferPlan plan;
  if (layout == ValueLayout::kCacheBlock) {
    if (!PlanTransfer(kind, plc.type, item.address, item.count, 0, &plan)) return kResultRefused;
    const int32_t result = ReadFromPlc(state, item, plan.record, cacheUse);
    // The block went to its cache slot; the tag's own value carries no PLC data.
    if (result == kResultDone) StoreLittle16(static_cast<uint8_t*>(item.valueBuffer), 0);
    return result;
  }

  if (!TakesCount(layout)) return kResultRefused;
  if (!PlanTransfer(kind, plc.type, item.address, item.count, 0, &plan)) return kResultRefused;
  const int32_t result = ReadFromPlc(state, item, plan.record, cacheUse);
  if (result != kResultDone) return result;
  DecodeValues(layout, plc.type == kPlcTypeS7, state.transferBuffer, item.count,
               static_cast<uint8_t*>(item.valueBuffer));
  return kResultDone;
}

}  // namespace zan

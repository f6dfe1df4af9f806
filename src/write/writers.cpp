#include "write/writers.h"

#include <span>

#include "address/tag_address.h"
#include "read/transfer_values.h"
#include "transport/transport_operations.h"
#include "write/string_encoding.h"
#include "write/value_encoding.h"
#include "write/write_to_plc.h"

namespace zan {
namespace {

// Places the item's values for `layout` at the start of transferBuffer; `plan.bytes` becomes how
// many bytes were placed. Returns false when there is nothing to send.
bool PlaceValues(DriverState& state, const TagItem& item, ValueLayout layout, uint8_t plcType,
                 int32_t stringLength, TransferPlan& plan) {
  TransferRecord& record = plan.record;
  const auto* values = static_cast<const uint8_t*>(item.valueBuffer);
  const std::span<uint8_t> out(state.transferBuffer);
  const PlcLayout order = LayoutOf(plcType);
  const int32_t count = item.count;
  // What the placement returns is what the write may carry (WriteToPlc).
  switch (layout) {
    case ValueLayout::kByte:
    case ValueLayout::kIoByte:
      plan.bytes = static_cast<int32_t>(PlaceBytes(values, count, out));
      return true;
    case ValueLayout::kWord:
    case ValueLayout::kWordOddByte:
      plan.bytes = static_cast<int32_t>(PlaceWords(values, count, order, out));
      return true;
    case ValueLayout::kIoWord:
      // Inputs, outputs and flags stand in PLC order on every PLC type.
      plan.bytes = static_cast<int32_t>(PlaceWords(values, count, PlcLayout::kS7, out));
      return true;
    case ValueLayout::kDoubleWord:
    case ValueLayout::kDoubleWordHalf:
      plan.bytes = static_cast<int32_t>(PlaceDoubleWords(values, count, order, out));
      return true;
    case ValueLayout::kFloat:
    case ValueLayout::kFloatHalf:
    case ValueLayout::kFloatOddByte:
    case ValueLayout::kFloatOddByteHalf:
      plan.bytes = static_cast<int32_t>(PlaceFloats(values, count, order, out));
      return true;
    case ValueLayout::kString:
    case ValueLayout::kCharacters: {
      const StringTransfer transfer =
          layout == ValueLayout::kString
              ? EncodeStringWithHeader(static_cast<const char*>(item.valueBuffer), stringLength,
                                       plcType, out)
              : EncodeCharacters(values, stringLength, plcType, out);
      // The transfer is what the string's encoding carries; none when not a whole word would go.
      record.length = transfer.length;
      plan.bytes = transfer.bytes;
      return transfer.length != 0;
    }
    default:
      return false;
  }
}

bool HasWriter(ValueLayout layout) {
  switch (layout) {
    case ValueLayout::kNone:
    case ValueLayout::kCacheBlock:
    case ValueLayout::kStatus:
    case ValueLayout::kMasterHeartbeat:
    case ValueLayout::kBackupHeartbeat:
      return false;
    default:
      return true;
  }
}

bool IsStringLayout(ValueLayout layout) {
  return layout == ValueLayout::kString || layout == ValueLayout::kCharacters;
}

}  // namespace

int32_t WriteTagValues(DriverState& state, TagItem& item) {
  const ValueLayout layout = LayoutOfKind(item.kind);
  // Cache-block, status and heartbeat tags are read-only; other kinds have no writer.
  if (!HasWriter(layout) || item.valueBuffer == nullptr) return kResultRefused;
  const uint8_t plcType = state.plcs[item.plc].type;
  const int32_t stringLength =
      IsStringLayout(layout) ? StringTagLength(state, item.addressText) : 0;
  TransferPlan plan{};
  // Refuses a count below 1 or whose data would not fit transferBuffer, a string without its
  // length, and the odd floats on a PLC that is not an S7.
  if (!PlanTransfer(item.kind, plcType, item.address, item.count, stringLength, &plan)) {
    return kResultRefused;
  }
  if (!PlaceValues(state, item, layout, plcType, stringLength, plan)) return kResultRefused;
  return WriteToPlc(state, item, plan.record, plan.bytes);
}

}  // namespace zan

#include "read/transfer_values.h"

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "transport/transport_operations.h"

namespace zan {
namespace {

// The S7 string header: maximum length and current length, one byte each.
constexpr int32_t kStringHeaderBytes = 2;
// What an S5 string transfer adds for the header, in words.
constexpr int32_t kS5StringHeaderWords = 2;

uint16_t Low16(int32_t value) {
  return static_cast<uint16_t>(static_cast<uint32_t>(value));
}

uint16_t IoArea(int32_t kind) {
  switch (kind & 0xFF) {
    case 'I':
      return kAreaInputs;
    case 'Q':
      return kAreaOutputs;
    default:
      return kAreaFlags;
  }
}

}  // namespace

ValueLayout LayoutOfKind(int32_t kind) {
  switch (kind & 0xFF) {
    case kKindWord:
      return ValueLayout::kWord;
    case kKindWordOddByte:
      return ValueLayout::kWordOddByte;
    case kKindByte:
      return ValueLayout::kByte;
    case kKindCacheBlock:
      return ValueLayout::kCacheBlock;
    case kKindDoubleWord:
      return ValueLayout::kDoubleWord;
    case kKindDoubleWordHalf:
      return ValueLayout::kDoubleWordHalf;
    case kKindFloat:
      return ValueLayout::kFloat;
    case kKindFloatHalf:
      return ValueLayout::kFloatHalf;
    case kKindFloatOddByte:
      return ValueLayout::kFloatOddByte;
    case kKindFloatOddByteHalf:
      return ValueLayout::kFloatOddByteHalf;
    case kKindString:
      return ValueLayout::kString;
    case kKindCharacters:
      return ValueLayout::kCharacters;
    case kKindStatus:
      return ValueLayout::kStatus;
    case kKindMasterHeartbeat:
      return ValueLayout::kMasterHeartbeat;
    case kKindBackupHeartbeat:
      return ValueLayout::kBackupHeartbeat;
    case 'I':
    case 'Q':
    case 'M':
      switch ((kind >> 8) & 0xFF) {
        case 'B':
          return ValueLayout::kIoByte;
        case 'W':
          return ValueLayout::kIoWord;
        default:
          return ValueLayout::kNone;
      }
    default:
      return ValueLayout::kNone;
  }
}

int32_t ValueBytes(ValueLayout layout) {
  switch (layout) {
    case ValueLayout::kByte:
    case ValueLayout::kIoByte:
      return 1;
    case ValueLayout::kWord:
    case ValueLayout::kWordOddByte:
    case ValueLayout::kIoWord:
    case ValueLayout::kMasterHeartbeat:
    case ValueLayout::kBackupHeartbeat:
      return 2;
    case ValueLayout::kDoubleWord:
    case ValueLayout::kDoubleWordHalf:
    case ValueLayout::kFloat:
    case ValueLayout::kFloatHalf:
    case ValueLayout::kFloatOddByte:
    case ValueLayout::kFloatOddByteHalf:
      return 4;
    default:
      return 0;
  }
}

bool TakesCount(ValueLayout layout) {
  return ValueBytes(layout) != 0;
}

bool CountFits(ValueLayout layout, int32_t count) {
  const int32_t size = ValueBytes(layout);
  if (size == 0) return true;
  return count >= 1 && count <= kTransferBufferBytes / size;
}

int32_t RecordBytes(uint8_t plcType, const TransferRecord& record) {
  const bool words = plcType != kPlcTypeS7 && record.area == kAreaDataBlock;
  return words ? 2 * int32_t{record.length} : int32_t{record.length};
}

bool PlanTransfer(int32_t kind, uint8_t plcType, int32_t address, int32_t count,
                  int32_t stringLength, TransferPlan* plan) {
  const ValueLayout layout = LayoutOfKind(kind);
  if (!CountFits(layout, count)) return false;
  const bool s7 = plcType == kPlcTypeS7;
  const int32_t off = static_cast<int32_t>(static_cast<uint32_t>(address) & 0xFFFF);
  TransferRecord& record = plan->record;
  record = TransferRecord{};
  record.area = kAreaDataBlock;
  record.dbNumber = Low16(static_cast<int32_t>(static_cast<uint32_t>(address) >> 16));
  // Every value of a counted layout takes ValueBytes in the buffer, in either layout.
  plan->bytes = count * ValueBytes(layout);

  switch (layout) {
    case ValueLayout::kByte:
    case ValueLayout::kCacheBlock:
      // A data-block byte is no unit of the S5 layout, whose records count words: its record would
      // carry a neighbour byte and put the value in the wrong one.
      if (layout == ValueLayout::kByte && !s7) return false;
      record.start = Low16(off);
      record.length = Low16(count);
      if (layout == ValueLayout::kCacheBlock) plan->bytes = 0;
      return true;
    case ValueLayout::kWord:
    case ValueLayout::kMasterHeartbeat:
    case ValueLayout::kBackupHeartbeat:
      record.start = Low16(s7 ? 2 * off : off);
      record.length = Low16(s7 ? 2 * count : count);
      return true;
    case ValueLayout::kWordOddByte:
      record.start = Low16(s7 ? 2 * off + 1 : off);
      record.length = Low16(s7 ? 2 * count : count);
      return true;
    case ValueLayout::kDoubleWord:
    case ValueLayout::kFloat:
      record.start = Low16(s7 ? 4 * off : 2 * off);
      record.length = Low16(s7 ? 4 * count : 2 * count);
      return true;
    case ValueLayout::kDoubleWordHalf:
    case ValueLayout::kFloatHalf:
      record.start = Low16(s7 ? 4 * off + 2 : 2 * off + 1);
      record.length = Low16(s7 ? 4 * count : 2 * count);
      return true;
    case ValueLayout::kFloatOddByte:
    case ValueLayout::kFloatOddByteHalf:
      if (!s7) return false;
      record.start = Low16(4 * off + (layout == ValueLayout::kFloatOddByte ? 1 : 3));
      record.length = Low16(4 * count);
      return true;
    case ValueLayout::kString:
    case ValueLayout::kCharacters: {
      if (stringLength < 1 || stringLength > kStringLengthMax) return false;
      const bool header = layout == ValueLayout::kString;
      record.start = Low16(off);
      if (s7) {
        const int32_t bytes = stringLength + (header ? kStringHeaderBytes : 0);
        record.length = Low16(bytes);
        plan->bytes = bytes;
      } else {
        // Whole words only, so an odd length loses its last character; a header takes two words.
        const int32_t words = stringLength / 2 + (header ? kS5StringHeaderWords : 0);
        record.length = Low16(words);
        plan->bytes = 2 * words;
      }
      return true;
    }
    case ValueLayout::kIoByte:
      record.area = IoArea(kind);
      record.dbNumber = 0;
      record.start = Low16(off);
      record.length = Low16(count);
      return true;
    case ValueLayout::kIoWord:
      record.area = IoArea(kind);
      record.dbNumber = 0;
      record.start = Low16(s7 ? 2 * off : off);
      record.length = Low16(2 * count);
      return true;
    case ValueLayout::kNone:
    case ValueLayout::kStatus:
      return false;
  }
  return false;
}

}  // namespace zan

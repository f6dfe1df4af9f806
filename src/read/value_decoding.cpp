#include "read/value_decoding.h"

#include "core/byte_order.h"
#include "read/s5_float_decode.h"

namespace zan {
namespace {

// An S5 double word: the word that holds bits 31..16 comes first, each word in host order.
uint32_t LoadS5DoubleWord(const uint8_t* p) {
  return (uint32_t{LoadLittle16(p)} << 16) | LoadLittle16(p + 2);
}

}  // namespace

void DecodeValues(ValueLayout layout, bool s7Layout, const uint8_t* data, int32_t count,
                  uint8_t* values) {
  switch (layout) {
    case ValueLayout::kByte:
    case ValueLayout::kIoByte:
      for (int32_t i = 0; i < count; ++i)
        StoreLittle16(values + 2 * i, data[i]);
      return;
    case ValueLayout::kWord:
    case ValueLayout::kWordOddByte:
    case ValueLayout::kMasterHeartbeat:
    case ValueLayout::kBackupHeartbeat:
      if (!s7Layout) {
        for (int32_t i = 0; i < count; ++i)
          StoreLittle16(values + 2 * i, LoadLittle16(data + 2 * i));
        return;
      }
      [[fallthrough]];
    case ValueLayout::kIoWord:
      for (int32_t i = 0; i < count; ++i)
        StoreLittle16(values + 2 * i, LoadBig16(data + 2 * i));
      return;
    case ValueLayout::kDoubleWord:
    case ValueLayout::kDoubleWordHalf:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = data + 4 * i;
        StoreLittle32(values + 4 * i, s7Layout ? LoadBig32(p) : LoadS5DoubleWord(p));
      }
      return;
    case ValueLayout::kFloat:
    case ValueLayout::kFloatHalf:
    case ValueLayout::kFloatOddByte:
    case ValueLayout::kFloatOddByteHalf:
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t* p = data + 4 * i;
        // An S7 float passes as its bit pattern, NaNs and infinities included.
        const uint32_t bits =
            s7Layout ? LoadBig32(p)
                     : FloatBits(static_cast<float>(DecodeS5Float(LoadS5DoubleWord(p))));
        StoreLittle32(values + 4 * i, bits);
      }
      return;
    default:
      return;
  }
}

void ExchangeBytePairs(uint8_t* data, int32_t bytes) {
  for (int32_t i = 0; i + 1 < bytes; i += 2) {
    const uint8_t first = data[i];
    data[i] = data[i + 1];
    data[i + 1] = first;
  }
}

void CopyText(const uint8_t* data, int32_t first, int32_t end, uint8_t* text) {
  int32_t length = 0;
  while (first + length < end && data[first + length] != 0) {
    text[length] = data[first + length];
    ++length;
  }
  text[length] = 0;
}

}  // namespace zan

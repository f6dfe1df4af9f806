#include "write/value_encoding.h"

#include <algorithm>

#include "core/byte_order.h"
#include "write/s5_float_encode.h"

namespace zan {
namespace {

// How many values of `size` bytes fit into `out`, at most `count`.
std::size_t Fitting(int count, std::size_t size, std::span<uint8_t> out) {
  if (count <= 0) return 0;
  return std::min(static_cast<std::size_t>(count), out.size() / size);
}

void StoreDoubleWord(uint8_t* p, uint32_t value, PlcLayout layout) {
  if (layout == PlcLayout::kS7) {
    StoreBig32(p, value);
  } else {
    StoreLittle16(p, static_cast<uint16_t>(value >> 16));
    StoreLittle16(p + 2, static_cast<uint16_t>(value));
  }
}

}  // namespace

std::size_t PlaceBytes(const uint8_t* values, int count, std::span<uint8_t> out) {
  const std::size_t n = Fitting(count, 1, out);
  for (std::size_t i = 0; i < n; ++i)
    out[i] = static_cast<uint8_t>(LoadLittle16(values + 2 * i));
  return n;
}

std::size_t PlaceWords(const uint8_t* values, int count, PlcLayout layout, std::span<uint8_t> out) {
  const std::size_t n = Fitting(count, 2, out);
  for (std::size_t i = 0; i < n; ++i) {
    const uint16_t value = LoadLittle16(values + 2 * i);
    if (layout == PlcLayout::kS7) {
      StoreBig16(&out[2 * i], value);
    } else {
      StoreLittle16(&out[2 * i], value);
    }
  }
  return 2 * n;
}

std::size_t PlaceDoubleWords(const uint8_t* values, int count, PlcLayout layout,
                             std::span<uint8_t> out) {
  const std::size_t n = Fitting(count, 4, out);
  for (std::size_t i = 0; i < n; ++i)
    StoreDoubleWord(&out[4 * i], LoadLittle32(values + 4 * i), layout);
  return 4 * n;
}

std::size_t PlaceFloats(const uint8_t* values, int count, PlcLayout layout,
                        std::span<uint8_t> out) {
  const std::size_t n = Fitting(count, 4, out);
  for (std::size_t i = 0; i < n; ++i) {
    const uint32_t bits = LoadLittle32(values + 4 * i);
    if (layout == PlcLayout::kS7) {
      // The pattern passes as it is, NaNs and infinities included.
      StoreBig32(&out[4 * i], bits);
    } else {
      const double value = FloatFromBits(bits);
      StoreDoubleWord(&out[4 * i], EncodeS5Float(value), layout);
    }
  }
  return 4 * n;
}

}  // namespace zan

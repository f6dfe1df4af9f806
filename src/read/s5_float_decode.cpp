#include "read/s5_float_decode.h"

#include <cmath>

namespace zan {

double DecodeS5Float(uint32_t value) {
  const int exponent = static_cast<int8_t>(static_cast<uint8_t>(value >> 24));
  // The 24-bit two's complement mantissa as a fraction: the 23 magnitude bits, less 1 for the sign.
  double fraction = static_cast<double>(value & 0x7FFFFFu) / 8388608.0;  // 2^23
  if ((value & 0x800000u) != 0) fraction -= 1.0;
  // Scaling by a power of two is exact: the smallest result, 2^-23 x 2^-128, is a normal double.
  return std::ldexp(fraction, exponent);
}

}  // namespace zan

// The S5 floating-point format as the PLC holds it, and the encoding of host values into it.
//
// Bits 31..24: exponent e, 8-bit two's complement. Bits 23..0: mantissa M, 24-bit two's complement
// (bit 23 is the sign). The value is M / 2^23 x 2^e, the mantissa a fraction in [-1, 1). A
// normalised positive mantissa lies in 0x400000..0x7FFFFF, a normalised negative one in
// 0x800000..0xBFFFFF. There is no infinity or NaN.
#ifndef ZAN_WRITE_S5_FLOAT_ENCODE_H_
#define ZAN_WRITE_S5_FLOAT_ENCODE_H_

#include <cstdint>

namespace zan {

constexpr uint32_t kS5FloatZero = 0x80000000;              // mantissa 0, exponent -128
constexpr uint32_t kS5FloatLargest = 0x7F7FFFFF;           // about 1.7014116e38
constexpr uint32_t kS5FloatMostNegative = 0x7F800000;      // -2^127
constexpr uint32_t kS5FloatSmallestPositive = 0x80400000;  // 2^-129
constexpr uint32_t kS5FloatNegativeNearestZero = 0x80BFFFFF;

// The S5 floating-point word of `x`, normalised, with the mantissa rounded half away from zero.
// Callers pass a host single-precision value widened to double precision. Values too large for the
// format give the largest or the most negative word, values too close to zero the smallest word of
// their sign, a NaN the most negative word, and 0 (of either sign) kS5FloatZero. A positive value
// whose rounding carries out of the mantissa (a single whose 24-bit significand is all ones)
// becomes the next power of two exactly: mantissa 0x400000 with the exponent one higher.
uint32_t EncodeS5Float(double x);

}  // namespace zan

#endif  // ZAN_WRITE_S5_FLOAT_ENCODE_H_

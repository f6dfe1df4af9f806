// The S5 floating-point format, as an S5 PLC holds it in two data words:
//
//   bits 31..24  exponent e, 8-bit two's complement (-128..127)
//   bits 23..0   mantissa M, 24-bit two's complement; bit 23 is the sign
//
// The value is M / 2^23 x 2^e: the mantissa is a fraction in [-1, 1). Every pattern has a value
// (there is no infinity and no NaN), mantissas need not be normalised, and a mantissa of 0 is 0
// whatever the exponent.
#ifndef ZAN_READ_S5_FLOAT_DECODE_H_
#define ZAN_READ_S5_FLOAT_DECODE_H_

#include <cstdint>

namespace zan {

// The value of the S5 floating-point number `value`, exact in double precision (the magnitudes lie
// between 2^-152 and 2^127). Pure; safe from any thread.
double DecodeS5Float(uint32_t value);

}  // namespace zan

#endif  // ZAN_READ_S5_FLOAT_DECODE_H_

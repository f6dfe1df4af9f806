#include "write/s5_float_encode.h"

#include <bit>
#include <cmath>

namespace zan {
namespace {

// Just below 2^-129 and 2^127: the smallest and the largest magnitudes that the format holds. The
// thresholds are these exact doubles in every build.
constexpr double kLowerLimit = 1.469367093852786e-39;
constexpr double kUpperLimit = 1.7014110631780597e+38;
static_assert(std::bit_cast<uint64_t>(kLowerLimit) == 0x37DFFFFECB606242);
static_assert(std::bit_cast<uint64_t>(kUpperLimit) == 0x47DFFFFF0C94A723);

constexpr double kMantissaScale = 8388608.0;  // 2^23
constexpr uint32_t kMantissaSign = 0x800000;
constexpr uint32_t kMantissaBit22 = 0x400000;
constexpr int kExponentMin = -128;
constexpr int kExponentMax = 127;

uint32_t Compose(int exponent, uint32_t mantissa) {
  return ((static_cast<uint32_t>(exponent) & 0xFF) << 24) + (mantissa & 0xFFFFFF);
}

}  // namespace

uint32_t EncodeS5Float(double x) {
  if (std::isnan(x)) return kS5FloatMostNegative;
  if (x < 0 && x >= -kLowerLimit) return kS5FloatNegativeNearestZero;
  if (x <= -kUpperLimit) return kS5FloatMostNegative;
  if (x == 0) return kS5FloatZero;
  if (x > 0 && x <= kLowerLimit) return kS5FloatSmallestPositive;
  if (x >= kUpperLimit) return kS5FloatLargest;

  int exponent = 0;
  const double fraction = std::frexp(x, &exponent);  // 0.5 <= |fraction| < 1
  // Only a double that no single-precision value equals can fall between a limit and the next
  // power of two; it takes the word of the limit that it is nearest to.
  if (exponent < kExponentMin) {
    return x > 0 ? kS5FloatSmallestPositive : kS5FloatNegativeNearestZero;
  }

  uint32_t mantissa = 0;
  if (fraction > 0) {
    mantissa = static_cast<uint32_t>(fraction * kMantissaScale + 0.5);
    // An all-ones significand rounds up to 2^23, which 23 magnitude bits cannot hold: the value is
    // then exactly the next power of two.
    if (mantissa == kMantissaSign) {
      mantissa = kMantissaBit22;
      ++exponent;
      if (exponent > kExponentMax) return kS5FloatLargest;
    }
  } else {
    const double shifted = (fraction + 1.0) * kMantissaScale;  // 0 to 2^22
    mantissa = static_cast<uint32_t>(shifted);
    // Only a remainder above one half rounds up: the magnitude of an exact half rounds away from
    // zero.
    if (shifted - mantissa > 0.5) ++mantissa;
    // A fraction of -0.5 (or one that rounded to it) becomes -1 with the exponent one lower, as
    // far as the exponent allows.
    while ((mantissa & kMantissaBit22) != 0 && exponent > kExponentMin + 1) {
      mantissa <<= 1;
      --exponent;
    }
    mantissa |= kMantissaSign;
  }
  return Compose(exponent, mantissa);
}

}  // namespace zan

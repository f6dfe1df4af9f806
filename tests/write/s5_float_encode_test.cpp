// The S5 floating-point encoding of host values.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "read/s5_float_decode.h"
#include "write/s5_float_encode.h"

namespace zan {
namespace {

struct Encoding {
  double value;
  uint32_t word;
};

TEST(EncodeS5FloatTest, KnownValuesAndLimits) {
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  const float nearestTenth = 0.1f;
  const Encoding rows[] = {
      {0.0, 0x80000000},
      {-0.0, 0x80000000},
      {1.0, 0x01400000},
      {-1.0, 0x00800000},
      {0.5, 0x00400000},
      {-0.5, 0xFF800000},
      {3.0, 0x02600000},
      {-3.0, 0x02A00000},
      {100.0, 0x07640000},
      {-100.0, 0x079C0000},
      // 23 magnitude bits: both signs round the same magnitude away from zero.
      {nearestTenth, 0xFD666667},
      {-nearestTenth, 0xFD999999},
      {2e38, 0x7F7FFFFF},
      {kInfinity, 0x7F7FFFFF},
      {-2e38, 0x7F800000},
      {-kInfinity, 0x7F800000},
      {std::numeric_limits<double>::quiet_NaN(), 0x7F800000},
      {1e-39, 0x80400000},
      {-1e-39, 0x80BFFFFF},
      // The normalising shift of a negative mantissa stops at exponent -127.
      {-std::ldexp(1.0, -129), 0x80C00000},
      {-std::ldexp(1.0, -127), 0x81800000},
      {-std::ldexp(1.0, -126), 0x82800000},
      // An all-ones significand rounds up to the next power of two, exactly.
      {16777215.0, 0x19400000},
      {std::nextafter(1.0f, 0.0f), 0x01400000},
      {-16777215.0, 0x18800000},
      // Just inside the limits, and a double between the lower limit and 2^-129.
      {std::ldexp(1.0, -129), 0x80400000},
      {1.4693675e-39, 0x80400000},
      {-1.4693675e-39, 0x80BFFFFF},
  };
  for (const Encoding& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(EncodeS5Float(row.value), row.word) << std::hex << EncodeS5Float(row.value);
  }
}

// The limits inside which nothing is clamped: just below 2^-129 and 2^127.
constexpr double kLowerLimit = 1.469367093852786e-39;
constexpr double kUpperLimit = 1.7014110631780597e+38;

float FloatOf(uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// `x` rounded to the 24-bit two's-complement mantissa of its binary exponent, magnitudes half away
// from zero.
double RoundedToMantissa(double x) {
  int exponent = 0;
  const double fraction = std::frexp(x, &exponent);
  return std::ldexp(std::round(std::ldexp(fraction, 23)), exponent - 23);
}

TEST(EncodeS5FloatTest, DecodingGivesTheValueRoundedToTheMantissa) {
  std::mt19937 random(20240607);
  int checked = 0;
  for (int i = 0; i < 2000000; ++i) {
    // Random patterns cover every exponent; a third are near a power of two, where rounding
    // carries.
    uint32_t bits = static_cast<uint32_t>(random());
    if (i % 3 == 0) bits |= 0x007FFF00;
    const double x = FloatOf(bits);
    if (!std::isfinite(x) || std::fabs(x) <= kLowerLimit || std::fabs(x) >= kUpperLimit) continue;
    ++checked;
    const double decoded = DecodeS5Float(EncodeS5Float(x));
    if (decoded != RoundedToMantissa(x)) {
      FAIL() << std::hexfloat << x << " decodes to " << decoded;
    }
  }
  EXPECT_GT(checked, 1500000);
}

TEST(EncodeS5FloatTest, NormalisedPatternsComeBack) {
  // Every exponent, with the ends of both normalised mantissa ranges and a sample between them.
  std::mt19937 random(7);
  for (uint32_t exponent = 0; exponent < 256; ++exponent) {
    for (uint32_t first : {0x400000u, 0x800000u}) {
      for (uint32_t i = 0; i < 4096; ++i) {
        const uint32_t step = i < 64 ? i : i < 128 ? 0x3FFFFF - (i - 64) : random() & 0x3FFFFF;
        const uint32_t pattern = (exponent << 24) | (first + step);
        const double value = DecodeS5Float(pattern);
        if (std::fabs(value) < FLT_MIN || std::fabs(value) > FLT_MAX) continue;  // not normal
        // Within 4 steps of +-2^127 the limits clamp (0x7F7FFFFD..E, 0x7F800001..3).
        if (std::fabs(value) >= kUpperLimit) continue;
        if (EncodeS5Float(value) != pattern) {
          FAIL() << std::hex << pattern << " comes back as " << EncodeS5Float(value);
        }
      }
    }
  }
}

}  // namespace
}  // namespace zan

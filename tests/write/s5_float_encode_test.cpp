// The S5 floating-point encoding of host values.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "core/byte_order.h"
#include "read/s5_float_decode.h"
#include "write/s5_float_encode.h"

namespace zan {
namespace {

// The limits inside which nothing is clamped: just below 2^-129 and 2^127.
constexpr double kLowerLimit = 1.469367093852786e-39;
constexpr double kUpperLimit = 1.7014110631780597e+38;

TEST(EncodeS5FloatTest, KnownValuesAndLimits) {
  constexpr double kInfinity = HUGE_VAL;
  const double tenth = 0.1f;
  // clang-format off
  const std::pair<double, uint32_t> rows[] = {
    {0.0, 0x80000000}, {-0.0, 0x80000000}, {1.0, 0x01400000}, {-0.5, 0xFF800000},
    {tenth, 0xFD666667}, {-tenth, 0xFD999999},
    {2e38, 0x7F7FFFFF}, {kInfinity, 0x7F7FFFFF}, {-2e38, 0x7F800000}, {-kInfinity, 0x7F800000},
    {NAN, 0x7F800000}, {1e-39, 0x80400000}, {-1e-39, 0x80BFFFFF},
    // The normalising shift of a negative mantissa stops at exponent -127.
    {-std::ldexp(1.0, -126), 0x82800000}, {-std::ldexp(1.0, -127), 0x81800000},
    {-std::ldexp(1.0, -129), 0x80C00000},
    // An all-ones significand rounds up to the next power of two, exactly.
    {16777215.0, 0x19400000}, {std::nextafter(1.0f, 0.0f), 0x01400000}, {-16777215.0, 0x18800000},
    // Doubles between the lower limit and 2^-129 (no single lies there).
    {1.4693675e-39, 0x80400000}, {-1.4693675e-39, 0x80BFFFFF},
  };
  // clang-format on
  for (const auto& [value, word] : rows)
    EXPECT_EQ(EncodeS5Float(value), word) << value;
}

TEST(EncodeS5FloatTest, DecodingGivesTheValueRoundedToTheMantissa) {
  std::mt19937 random(20240607);
  for (int i = 0; i < 2000000; ++i) {
    // Every exponent; a third near a power of two, where the rounding carries.
    const double x = FloatFromBits(static_cast<uint32_t>(random()) | (i % 3 == 0 ? 0x007FFF00 : 0));
    if (!std::isfinite(x) || std::fabs(x) <= kLowerLimit || std::fabs(x) >= kUpperLimit) continue;
    int exponent = 0;
    const double fraction = std::frexp(x, &exponent);
    const double rounded = std::ldexp(std::round(std::ldexp(fraction, 23)), exponent - 23);
    ASSERT_EQ(DecodeS5Float(EncodeS5Float(x)), rounded) << std::hexfloat << x;
  }
}

TEST(EncodeS5FloatTest, NormalisedPatternsComeBack) {
  std::mt19937 random(7);
  for (uint32_t exponent = 0; exponent < 256; ++exponent) {
    for (uint32_t first : {0x400000u, 0x800000u}) {
      for (uint32_t i = 0; i < 4096; ++i) {
        // Both ends of each normalised mantissa range, and a sample between them.
        const uint32_t step = i < 64 ? i : i < 128 ? 0x3FFFFF - (i - 64) : random() & 0x3FFFFF;
        const uint32_t pattern = (exponent << 24) | (first + step);
        const double value = std::fabs(DecodeS5Float(pattern));
        // Not a normal single, or within 4 steps of 2^127, where the limits clamp.
        if (value < FLT_MIN || value >= kUpperLimit) continue;
        ASSERT_EQ(EncodeS5Float(DecodeS5Float(pattern)), pattern) << std::hex << pattern;
      }
    }
  }
}

}  // namespace
}  // namespace zan

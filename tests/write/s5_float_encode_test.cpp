// The S5 floating-point format, both ways.
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

TEST(S5FloatTest, KnownWordsAndLimits) {
  enum { kBoth, kEncoded, kDecoded };
  const double tenth = 0.1f, infinity = HUGE_VAL;
  // clang-format off
  const struct { double value; uint32_t word; int ways; } rows[] = {
    {1.0, 0x01400000, kBoth}, {-1.0, 0x00800000, kBoth}, {0.25, 0xFF400000, kBoth},
    {-0.5, 0xFF800000, kBoth}, {-100.0, 0x079C0000, kBoth}, {0.0, 0x80000000, kBoth},
    {-0.0, 0x80000000, kEncoded}, {0.0, 0x7F000000, kDecoded}, {-1.0, 0x01C00000, kDecoded},
    {tenth, 0xFD666667, kEncoded}, {-tenth, 0xFD999999, kEncoded}, {NAN, 0x7F800000, kEncoded},
    // The ends of the exponent, and what lies beyond them.
    {std::ldexp(8388607.0, 104), 0x7F7FFFFF, kBoth}, {infinity, 0x7F7FFFFF, kEncoded},
    {-std::ldexp(1.0, 127), 0x7F800000, kBoth}, {-infinity, 0x7F800000, kEncoded},
    {std::ldexp(1.0, -129), 0x80400000, kBoth}, {1e-39, 0x80400000, kEncoded},
    {std::ldexp(-4194305.0, -151), 0x80BFFFFF, kDecoded}, {-1e-39, 0x80BFFFFF, kEncoded},
    // Doubles between the lower limit and 2^-129 (no single lies there).
    {1.4693675e-39, 0x80400000, kEncoded}, {-1.4693675e-39, 0x80BFFFFF, kEncoded},
    // The normalising shift of a negative mantissa stops at exponent -127.
    {-std::ldexp(1.0, -126), 0x82800000, kBoth}, {-std::ldexp(1.0, -127), 0x81800000, kBoth},
    {-std::ldexp(1.0, -129), 0x80C00000, kBoth},
    // An all-ones significand rounds up to the next power of two, exactly.
    {16777215.0, 0x19400000, kEncoded}, {-16777215.0, 0x18800000, kEncoded},
  };
  // clang-format on
  for (const auto& row : rows) {
    if (row.ways != kDecoded) {
      EXPECT_EQ(EncodeS5Float(row.value), row.word) << row.value;
    }
    if (row.ways != kEncoded) {
      EXPECT_EQ(DecodeS5Float(row.word), row.value) << std::hex << row.word;
    }
  }
  EXPECT_EQ(static_cast<float>(DecodeS5Float(0x80400000)), std::ldexp(1.0f, -129));
}

TEST(S5FloatTest, DecodingGivesTheValueRoundedToTheMantissa) {
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

TEST(S5FloatTest, NormalisedPatternsComeBack) {
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

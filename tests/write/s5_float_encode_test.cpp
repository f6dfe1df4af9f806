// The S5 floating-point encoding of host values.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace zan

// What each kind asks the PLC for and how its bytes reach the host, on every PLC type; the S5
// floating-point format.
#include <gtest/gtest.h>

#include <cmath>

#include "read/read_fixture.h"
#include "read/s5_float_decode.h"

namespace zan::testing {
namespace {

TEST(DecodeS5FloatTest, KnownPatternsAndTheEndsOfTheExponent) {
  const struct {
    uint32_t pattern;
    double value;
  } cases[] = {{0x01400000, 1.0},
               {0x00800000, -1.0},
               {0x00400000, 0.5},
               {0xFF400000, 0.25},
               {0xFF800000, -0.5},
               {0x02600000, 3.0},
               {0x07640000, 100.0},
               {0x079C0000, -100.0},
               {0xFD666667, 0.10000000894069672},
               {0x80000000, 0.0},
               {0x7F000000, 0.0},
               {0x01C00000, -1.0},
               {0x80400000, std::ldexp(1.0, -129)},
               {0x80000001, std::ldexp(1.0, -151)},
               {0x80BFFFFF, std::ldexp(-4194305.0, -151)},
               {0x7F7FFFFF, std::ldexp(8388607.0, 104)},
               {0x7F800000, -std::ldexp(1.0, 127)}};
  for (const auto& c : cases)
    EXPECT_EQ(DecodeS5Float(c.pattern), c.value) << std::hex << c.pattern;
  EXPECT_EQ(static_cast<float>(DecodeS5Float(0x80400000)), std::ldexp(1.0f, -129));
}

TEST_F(ReadTest, EveryKindOnEveryLayout) {
  constexpr int32_t R = kCommandReadValue, B = kCommandReadBlock;
  const struct {
    int32_t command;
    const char* text;
    int32_t hostType, count;
    const char *plcBytes, *record, *host;  // host: the values' first bytes, then one unwritten
  } cases[] = {
      {B, "01DW0100020", 1, 1, "12 34", "103 c=5 a=1 db=10 s=20 l=2", "34 12"},
      {B, "02DW0100020", 1, 2, "34 12 FE FF", "103 c=6 a=1 db=10 s=20 l=2", "34 12 FE FF"},
      {B, "03DW0100020", 1, 1, "34 12", "103 c=7 a=1 db=10 s=20 l=1", "34 12"},
      {B, "01DW0100021", 1, 1, "12 34", "103 c=5 a=1 db=10 s=21 l=2", "34 12"},
      {B, "01DB0100005", 1, 2, "AB CD", "103 c=5 a=1 db=10 s=5 l=2", "AB 00 CD 00"},
      {B, "01DD0100008", 4, 1, "12 34 56 78", "103 c=5 a=1 db=10 s=8 l=4", "78 56 34 12"},
      {B, "02DD0100007", 5, 1, "34 12 78 56", "103 c=6 a=1 db=10 s=7 l=2", "78 56 34 12"},
      {B, "01DF0100006", 3, 1, "3F 80 00 00", "103 c=5 a=1 db=10 s=6 l=4", "00 00 80 3F"},
      {B, "01DF0100005", 3, 1, "3F 80 00 00", "103 c=5 a=1 db=10 s=5 l=4", "00 00 80 3F"},
      {B, "01DF0100007", 3, 1, "3F 80 00 00", "103 c=5 a=1 db=10 s=7 l=4", "00 00 80 3F"},
      {B, "02DF0100004", 3, 2, "40 01 00 00 80 FF 00 00", "103 c=6 a=1 db=10 s=4 l=4",
       "00 00 80 3F 00 00 00 BF"},
      {B, "01IW0004", 1, 1, "12 34", "103 c=5 a=3 db=0 s=4 l=2", "34 12"},
      {B, "02MW0004", 1, 2, "12 34 56 78", "103 c=6 a=2 db=0 s=4 l=4", "34 12 78 56"},
      {B, "02QB0003", 1, 2, "AB CD", "103 c=6 a=4 db=0 s=3 l=2", "AB 00 CD 00"},
      // Strings end at their terminator or at the end of the transfer.
      {B, "01DS010001010", 7, 1, "0A 03 41 42 43", "103 c=5 a=1 db=10 s=10 l=12", "41 42 43 00"},
      {B, "02SB010001005", 7, 1, "42 41 44 43 46 45", "103 c=6 a=1 db=10 s=10 l=2",
       "41 42 43 44 00"},
      {B, "02DS010001005", 7, 1, "00 00 42 41 44 43 46 45 48 47", "103 c=6 a=1 db=10 s=10 l=4",
       "41 42 43 44 45 46 00"},
      {B, "03SB010001004", 7, 1, "41 42 43 00", "103 c=7 a=1 db=10 s=10 l=2", "41 42 43 00"},
      // One value: integers in the host's cell 2 bytes in, reduced to their bit for bit tags.
      {R, "01DW0100020", 1, 9, "FF FE", "103 c=5 a=1 db=10 s=20 l=2", "EE EE FE FF"},
      {R, "01DW010002003", 6, 9, "00 F8", "103 c=5 a=1 db=10 s=20 l=2", "EE EE 01 00"},
      {R, "01DW010002003", 6, 9, "00 F0", "103 c=5 a=1 db=10 s=20 l=2", "EE EE 00 00"},
      {R, "01IW000415", 6, 9, "80 00", "103 c=5 a=3 db=0 s=4 l=2", "EE EE 01 00"},
      {R, "01DF0100004", 3, 9, "3F 80 00 00", "103 c=5 a=1 db=10 s=4 l=4", "00 00 80 3F"},
  };
  state().floatOddAddress = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    values.fill(kUnwritten);
    TagItem item = Tag(c.text, c.hostType, c.count);
    transport().ReadData(Hex(c.plcBytes));
    EXPECT_EQ(Read(item, c.command), 0);
    EXPECT_EQ(SentRecords(), Lines{c.record});
    Bytes expected = Hex(c.host);
    expected.push_back(kUnwritten);
    EXPECT_EQ(Values(expected.size()), expected);
    EXPECT_EQ(item.valueBuffer, values.data());
    EXPECT_EQ(item.count, c.command == R ? 1 : c.count);
  }
}

TEST_F(ReadTest, FailedStringReadLeavesAnEmptyText) {
  TagItem text = Tag("01DS010001010", 7);
  transport().Script(Op::kReceiveRead, {12});
  EXPECT_EQ(Read(text), 1);
  EXPECT_EQ(Values(5), Hex("00 00 00 00 EE"));
}

}  // namespace
}  // namespace zan::testing

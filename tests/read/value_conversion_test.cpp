// What each kind asks the PLC for and how its bytes reach the host, on every PLC type; and the S5
// floating-point format.
#include <gtest/gtest.h>

#include <cmath>

#include "read/read_fixture.h"
#include "read/s5_float_decode.h"

namespace zan::testing {
namespace {

using ReadValueTest = ReadTest;

TEST(DecodeS5FloatTest, KnownPatternsAndTheEndsOfTheExponent) {
  const struct {
    uint32_t pattern;
    double value;
  } cases[] = {
      {0x01400000, 1.0},
      {0x00800000, -1.0},
      {0x00400000, 0.5},
      {0xFF400000, 0.25},
      {0xFF800000, -0.5},
      {0x02600000, 3.0},
      {0x07640000, 100.0},
      {0x079C0000, -100.0},
      {0xFD666667, 0.10000000894069672},
      {0x80000000, 0.0},
      {0x00000000, 0.0},
      {0x7F000000, 0.0},   // mantissa 0, any exponent
      {0x01C00000, -1.0},  // not normalised
      {0x80400000, std::ldexp(1.0, -129)},
      {0x80000001, std::ldexp(1.0, -151)},
      {0x80BFFFFF, std::ldexp(-4194305.0, -151)},
      {0x7F7FFFFF, std::ldexp(8388607.0, 104)},
      {0x7F800000, -std::ldexp(1.0, 127)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.pattern);
    EXPECT_EQ(DecodeS5Float(c.pattern), c.value);
  }
  EXPECT_EQ(static_cast<float>(DecodeS5Float(0x80400000)), std::ldexp(1.0f, -129));
  EXPECT_EQ(static_cast<float>(DecodeS5Float(0x7F7FFFFF)), 1.7014116e38f);
}

TEST_F(ReadTest, EveryKindOnEveryLayout) {
  const struct {
    const char* text;
    int32_t hostType;
    int32_t count;
    Bytes plcBytes;
    const char* record;
    Bytes host;  // the value buffer's first bytes; the next one is untouched
  } cases[] = {
      {"01DW0100020", 1, 1, {0x12, 0x34}, "c=5 a=1 db=10 s=20 l=2", {0x34, 0x12}},
      {"02DW0100020",
       1,
       2,
       {0x34, 0x12, 0xFE, 0xFF},
       "c=6 a=1 db=10 s=20 l=2",
       {0x34, 0x12, 0xFE, 0xFF}},
      {"03DW0100020", 1, 1, {0x34, 0x12}, "c=7 a=1 db=10 s=20 l=1", {0x34, 0x12}},
      {"01DW0100021", 1, 1, {0x12, 0x34}, "c=5 a=1 db=10 s=21 l=2", {0x34, 0x12}},
      {"01DB0100005", 1, 2, {0xAB, 0xCD}, "c=5 a=1 db=10 s=5 l=2", {0xAB, 0, 0xCD, 0}},
      {"01DD0100008",
       4,
       1,
       {0x12, 0x34, 0x56, 0x78},
       "c=5 a=1 db=10 s=8 l=4",
       {0x78, 0x56, 0x34, 0x12}},
      {"02DD0100007",
       5,
       1,
       {0x34, 0x12, 0x78, 0x56},
       "c=6 a=1 db=10 s=7 l=2",
       {0x78, 0x56, 0x34, 0x12}},
      {"01DF0100006", 3, 1, {0x3F, 0x80, 0, 0}, "c=5 a=1 db=10 s=6 l=4", {0, 0, 0x80, 0x3F}},
      {"01DF0100005", 3, 1, {0x3F, 0x80, 0, 0}, "c=5 a=1 db=10 s=5 l=4", {0, 0, 0x80, 0x3F}},
      {"01DF0100007", 3, 1, {0x3F, 0x80, 0, 0}, "c=5 a=1 db=10 s=7 l=4", {0, 0, 0x80, 0x3F}},
      {"02DF0100004",
       3,
       2,
       {0x40, 0x01, 0, 0, 0x80, 0xFF, 0, 0},
       "c=6 a=1 db=10 s=4 l=4",
       {0, 0, 0x80, 0x3F, 0, 0, 0, 0xBF}},
      {"01IW0004", 1, 1, {0x12, 0x34}, "c=5 a=3 db=0 s=4 l=2", {0x34, 0x12}},
      {"02MW0004",
       1,
       2,
       {0x12, 0x34, 0x56, 0x78},
       "c=6 a=2 db=0 s=4 l=4",
       {0x34, 0x12, 0x78, 0x56}},
      {"02QB0003", 1, 2, {0xAB, 0xCD}, "c=6 a=4 db=0 s=3 l=2", {0xAB, 0, 0xCD, 0}},
      // Strings: the text ends at its terminator or at the end of the transfer.
      {"01DS010001010",
       7,
       1,
       {10, 3, 'A', 'B', 'C'},
       "c=5 a=1 db=10 s=10 l=12",
       {'A', 'B', 'C', 0}},
      {"02SB010001004", 7, 1, {'B', 'A', 0, 'C'}, "c=6 a=1 db=10 s=10 l=2", {'A', 'B', 'C', 0}},
      {"02SB010001005",
       7,
       1,
       {'B', 'A', 'D', 'C', 'F', 'E'},
       "c=6 a=1 db=10 s=10 l=2",
       {'A', 'B', 'C', 'D', 0}},
      {"02DS010001005",
       7,
       1,
       {0, 0, 'B', 'A', 'D', 'C', 'F', 'E', 'H', 'G'},
       "c=6 a=1 db=10 s=10 l=4",
       {'A', 'B', 'C', 'D', 'E', 'F', 0}},
      {"03SB010001004", 7, 1, {'A', 'B', 'C', 0}, "c=7 a=1 db=10 s=10 l=2", {'A', 'B', 'C', 0}},
  };
  state().floatOddAddress = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    values.fill(kUnwritten);
    TagItem item = Tag(c.text, c.hostType, c.count);
    transport().ReadData(c.plcBytes);
    EXPECT_EQ(Read(item), 0);
    EXPECT_EQ(SentRecords(), std::vector<std::string>{c.record});
    Bytes expected = c.host;
    expected.push_back(kUnwritten);
    EXPECT_EQ(Values(expected.size()), expected);
  }
}

TEST_F(ReadValueTest, IntegersGoToTheHostCellAndBitsAreExtracted) {
  const struct {
    const char* text;
    int32_t hostType;
    Bytes plcBytes;
    Bytes host;
  } cases[] = {
      {"01DW0100020", 1, {0xFF, 0xFE}, {kUnwritten, kUnwritten, 0xFE, 0xFF, kUnwritten}},
      {"01DB0100005", 1, {0xAB}, {kUnwritten, kUnwritten, 0xAB, 0, kUnwritten}},
      {"01DW010002003", 6, {0x00, 0xF8}, {kUnwritten, kUnwritten, 1, 0, kUnwritten}},
      {"01DW010002003", 6, {0x00, 0xF0}, {kUnwritten, kUnwritten, 0, 0, kUnwritten}},
      {"01IW000415", 6, {0x80, 0x00}, {kUnwritten, kUnwritten, 1, 0, kUnwritten}},
      {"01DF0100004", 3, {0x3F, 0x80, 0, 0}, {0, 0, 0x80, 0x3F, kUnwritten}},
      {"01DD0100008", 4, {0x12, 0x34, 0x56, 0x78}, {0x78, 0x56, 0x34, 0x12, kUnwritten}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    values.fill(kUnwritten);
    TagItem item = Tag(c.text, c.hostType, 7);
    transport().ReadData(c.plcBytes);
    EXPECT_EQ(Read(item, kCommandReadValue), 0);
    EXPECT_EQ(Values(c.host.size()), c.host);
    EXPECT_EQ(item.count, 1);
    EXPECT_EQ(item.valueBuffer, values.data());
  }
}

TEST_F(ReadValueTest, BitIsExtractedFromWhateverAFailedReadLeft) {
  TagItem item = Tag("01DW010002001", 6);
  values[2] = 0x02;
  values[3] = 0x00;
  transport().Script(Op::kSendRead, {9});
  EXPECT_EQ(Read(item, kCommandReadValue), 2);
  EXPECT_EQ(Values(4), (Bytes{kUnwritten, kUnwritten, 1, 0}));
}

TEST_F(ReadTest, FailedStringReadLeavesAnEmptyText) {
  TagItem item = Tag("01DS010001010", 7);
  transport().Script(Op::kReceiveRead, {12});
  EXPECT_EQ(Read(item), 1);
  EXPECT_EQ(Values(5), (Bytes{0, 0, 0, 0, kUnwritten}));
}

}  // namespace
}  // namespace zan::testing

// A PLC of type 6, layout by layout, against the simulator: its memory holds a pattern, another
// tag's read leaves its bytes in the transfer buffer before every request, and each tag is read
// and then written. After each write exactly the tag's bytes have changed in PLC memory, in PLC
// order; the value read is the one those bytes hold under the S5 rules.
#include <cstring>

#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

using Bytes = std::vector<uint8_t>;

// The memory of PLC 3 that the cases touch, filled with a pattern before each case.
struct Area {
  const char* name;
  int size;
  uint8_t first;  // byte n holds first + n
};
constexpr Area kAreas[] = {{"db10", 100, 0x40}, {"m", 32, 0x80}, {"i", 16, 0xC0}, {"q", 16, 0xD0}};

struct LayoutCase {
  const char* address;
  int32_t hostType;
  int32_t count;
  const char* area;
  int byte;      // first byte of the tag in PLC memory
  Bytes before;  // PLC memory there before the case, over the pattern
  Bytes read;    // the host's value of those bytes
  Bytes write;   // the host's value written
  Bytes after;   // PLC memory there afterwards: every other byte keeps the pattern
};

Bytes Text(const char* text, std::size_t size) {
  return Bytes(text, text + size);
}

// Data word n is bytes 2n and 2n + 1. A bit tag is read and written through the host's single
// value cell (commands 5 and 7), whose bytes 2 and 3 hold the bit.
// clang-format off
const LayoutCase kLayouts[] = {
    {"03DW0100002", kHostWord, 1, "db10", 4, {0x12, 0x34}, {0x34, 0x12}, {0xCD, 0xAB},
     {0xAB, 0xCD}},
    {"03DW0100003", kHostWord, 3, "db10", 6, {1, 2, 3, 4, 5, 6}, {2, 1, 4, 3, 6, 5},
     {0x22, 0x11, 0x44, 0x33, 0x66, 0x55}, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}},
    {"03XW010000A", kHostWord, 1, "db10", 20, {0x12, 0x34}, {0x34, 0x12}, {0x01, 0x00}, {0, 1}},
    {"03DD0100012", kHostDoubleWord, 1, "db10", 24, {1, 2, 3, 4}, {4, 3, 2, 1},
     {0x78, 0x56, 0x34, 0x12}, {0x12, 0x34, 0x56, 0x78}},
    {"03DD0100015", kHostDoubleWord, 1, "db10", 30, {1, 2, 3, 4}, {4, 3, 2, 1},  // odd word
     {0x78, 0x56, 0x34, 0x12}, {0x12, 0x34, 0x56, 0x78}},
    {"03DF0100018", kHostFloat, 1, "db10", 36, {0x01, 0x40, 0, 0}, {0, 0, 0x80, 0x3F},  // S5 1.0
     {0, 0, 0xC8, 0xC2}, {0x07, 0x9C, 0, 0}},                                           // -100.0
    {"03DF0100021", kHostFloat, 1, "db10", 42, {0x02, 0x60, 0, 0}, {0, 0, 0x40, 0x40},  // S5 3.0
     {0, 0, 0, 0x3F}, {0x00, 0x40, 0, 0}},                                              // 0.5
    // A string of 10 in the S5 rules: a header of 2 bytes and 6 words of room, all written.
    {"03DS010002410", kHostString, 1, "db10", 48, {5, 3, 'X', 'Y', 'Z', 0, 0, 0, 0, 0, 0, 0, 0, 0},
     Text("XYZ", 4), Text("ABCD", 5), {5, 4, 'A', 'B', 'C', 'D', 0, 0, 0, 0, 0, 0, 0, 0}},
    {"03SB010003205", kHostString, 1, "db10", 64, Text("WXYZ", 4), Text("WXYZ", 5),  // 2 words
     Text("ABCDE", 6), Text("ABCD", 4)},
    {"03DW010003503", kHostBit, 1, "db10", 70, {0x00, 0xF0}, {0x00, 0x00}, {1, 0}, {0x00, 0xF8}},
    {"03DW010003612", kHostBit, 1, "db10", 72, {0x10, 0x00}, {0x01, 0x00}, {0, 0}, {0x00, 0x00}},
    {"03MB0005", kHostWord, 1, "m", 5, {0x5A}, {0x5A, 0x00}, {0xC3, 0x00}, {0xC3}},
    {"03MW0006", kHostWord, 1, "m", 6, {0x12, 0x34}, {0x34, 0x12}, {0xCD, 0xAB}, {0xAB, 0xCD}},
    {"03MB000907", kHostBit, 1, "m", 9, {0x01}, {0x00, 0x00}, {1, 0}, {0x81}},
    {"03IB0002", kHostWord, 1, "i", 2, {0x81}, {0x81, 0x00}, {0x7E, 0x00}, {0x7E}},
    {"03QW0004", kHostWord, 1, "q", 4, {0x11, 0x22}, {0x22, 0x11}, {0x44, 0x33}, {0x33, 0x44}},
};
// clang-format on

class TypeSixPlcTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    StartSimulator({"1:s7:db=10x200", "3:s7:db=10x100:m=32:i=16:q=16"});
    ASSERT_EQ(Init(S7Line(1) + "3=6,127.0.0.3\n"), 0);
    ASSERT_TRUE(simulator().Set(1, "db10", 0, Bytes(200, kLeftOver)));
    Define(other_, "01DW0100000");
  }

  static Bytes Pattern(const Area& area) {
    Bytes bytes(static_cast<std::size_t>(area.size));
    for (std::size_t n = 0; n < bytes.size(); ++n)
      bytes[n] = static_cast<uint8_t>(area.first + n);
    return bytes;
  }
  // Another tag's read fills the transfer buffer with kLeftOver, 200 bytes of it.
  void Pollute() { ASSERT_EQ(driver().Send(kCommandReadBlock, other_, 100), 0); }

  static constexpr uint8_t kLeftOver = 0xEE;
  HostTag other_;
};

TEST_F(TypeSixPlcTest, EveryLayoutReadsAndWritesExactlyItsBytes) {
  for (const LayoutCase& c : kLayouts) {
    SCOPED_TRACE(c.address);
    for (const Area& area : kAreas)
      ASSERT_TRUE(simulator().Set(3, area.name, 0, Pattern(area)));
    ASSERT_TRUE(simulator().Set(3, c.area, c.byte, c.before));
    const bool bit = c.hostType == kHostBit;
    const int32_t read = bit ? kCommandReadValue : kCommandReadBlock;
    const int32_t write = bit ? kCommandWriteValue : kCommandWriteBlock;
    const std::size_t cell = bit ? 2 : 0;  // where the host's value starts
    HostTag tag;
    Define(tag, c.address, c.hostType);

    Pollute();
    std::memset(tag.values, 0, sizeof tag.values);
    ASSERT_EQ(driver().Send(read, tag, c.count), 0);
    EXPECT_EQ(Bytes(tag.values + cell, tag.values + cell + c.read.size()), c.read);

    Pollute();
    std::memset(tag.values, 0, sizeof tag.values);
    std::memcpy(tag.values + cell, c.write.data(), c.write.size());
    ASSERT_EQ(driver().Send(write, tag, c.count), 0);
    for (const Area& area : kAreas) {
      Bytes expected = Pattern(area);
      if (std::strcmp(area.name, c.area) == 0) {
        std::copy(c.before.begin(), c.before.end(), expected.begin() + c.byte);
        std::copy(c.after.begin(), c.after.end(), expected.begin() + c.byte);
      }
      EXPECT_EQ(simulator().Get(3, area.name, 0, area.size), expected) << area.name;
    }
  }
}

TEST_F(TypeSixPlcTest, DataBlockBytesAreRefusedAsOnAnS5) {
  HostTag tag;
  for (const char* text : {"03DB0100002", "03XB01000FF"}) {
    EXPECT_FALSE(driver().Define(tag, text, kHostWord)) << text;
  }
  EXPECT_EQ(LoggedCount("ZANDOR> Address Parser: Bytes not supported for S5 PLCs"), 2);
}

}  // namespace
}  // namespace zan::e2e

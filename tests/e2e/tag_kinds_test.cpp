// Init connects real PLCs, and every tag kind travels through ZanMain to the simulator's memory and
// back, on an S7 PLC and on an S5 pair.
#include <cstring>

#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

class TagKindsTest : public SimulatorTest {
 protected:
  void SetUp() override {
    SimulatorTest::SetUp();
    StartSimulator({"1:s7:slot=2:db=10x200", "2:s5:db=10x200"});
    ASSERT_EQ(Init(S7Line(1) + "2=5,127.0.0.2\n"), 0);
  }
};

TEST_F(TagKindsTest, InitConnectsAnS7PlcAndAnS5Pair) {
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Connection to Plc #1 Success !!!"));
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Read Connection Success, Plc #2 !!! "));
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Write Connection Success, Plc #2 !!! "));
  EXPECT_EQ(StatusField(simulator().Command("status 1"), "established"), 1);
  EXPECT_EQ(StatusField(simulator().Command("status 2"), "established"), 2);
}

struct KindCase {
  const char* address;
  int32_t hostType;
  const char* area;  // in the simulator's terms
  int byte;          // first byte in PLC memory
  std::vector<uint8_t> host;
  std::vector<uint8_t> plc;  // the same value as PLC memory holds it
};

std::vector<uint8_t> Text(const char* text, std::size_t size) {
  return std::vector<uint8_t>(text, text + size);
}

// One value of every kind that the driver reads and writes, with its bytes on both sides. S5 data
// word n is byte 2n of the simulator's data block.
const KindCase kKinds[] = {
    {"01DW0100020", kHostWord, "db10", 20, {0x34, 0x12}, {0x12, 0x34}},
    {"01DW0100031", kHostWord, "db10", 31, {0x78, 0x56}, {0x56, 0x78}},
    {"01DB0100040", kHostWord, "db10", 40, {0xAB, 0x00}, {0xAB}},
    {"01DD0100044",
     kHostDoubleWord,
     "db10",
     44,
     {0x78, 0x56, 0x34, 0x12},
     {0x12, 0x34, 0x56, 0x78}},
    {"01DD0100050", kHostDoubleWord, "db10", 50, {4, 3, 2, 1}, {1, 2, 3, 4}},
    {"01DF0100056", kHostFloat, "db10", 56, {0x00, 0x00, 0x80, 0x3F}, {0x3F, 0x80, 0x00, 0x00}},
    {"01DS010006010",
     kHostString,
     "db10",
     60,
     Text("ABC", 4),
     {10, 3, 'A', 'B', 'C', 0, 0, 0, 0, 0, 0, 0}},
    {"01SB010008004", kHostString, "db10", 80, Text("WXYZ", 5), Text("WXYZ", 4)},
    {"01IB0002", kHostWord, "i", 2, {0xC3, 0x00}, {0xC3}},
    {"01QW0004", kHostWord, "q", 4, {0x22, 0x11}, {0x11, 0x22}},
    {"01MB0010", kHostWord, "m", 10, {0x5A, 0x00}, {0x5A}},
    {"01MW0012", kHostWord, "m", 12, {0xCD, 0xAB}, {0xAB, 0xCD}},
    {"02DW0100005", kHostWord, "db10", 10, {0x34, 0x12}, {0x12, 0x34}},
    {"02DD0100006",
     kHostDoubleWord,
     "db10",
     12,
     {0x78, 0x56, 0x34, 0x12},
     {0x12, 0x34, 0x56, 0x78}},
    {"02DD0100009", kHostDoubleWord, "db10", 18, {4, 3, 2, 1}, {1, 2, 3, 4}},
    {"02DF0100012", kHostFloat, "db10", 24, {0x00, 0x00, 0x80, 0x3F}, {0x01, 0x40, 0x00, 0x00}},
    {"02DS010002010", kHostString, "db10", 40, Text("ABC", 4), {5, 3, 'A', 'B', 'C', 0, 0}},
    {"02SB010003004", kHostString, "db10", 60, Text("WXYZ", 5), Text("WXYZ", 4)},
    {"02IB0003", kHostWord, "i", 3, {0x81, 0x00}, {0x81}},
    {"02QB0005", kHostWord, "q", 5, {0x42, 0x00}, {0x42}},
    {"02MB0007", kHostWord, "m", 7, {0x24, 0x00}, {0x24}},
};

TEST_F(TagKindsTest, EveryKindIsReadAndWrittenInPlcMemory) {
  for (const KindCase& c : kKinds) {
    SCOPED_TRACE(c.address);
    const int plc = c.address[1] - '0';
    HostTag tag;
    Define(tag, c.address, c.hostType);

    ASSERT_TRUE(simulator().Set(plc, c.area, c.byte, c.plc));
    EXPECT_EQ(driver().Send(kCommandReadBlock, tag), 0);
    EXPECT_EQ(std::vector<uint8_t>(tag.values, tag.values + c.host.size()), c.host);

    ASSERT_TRUE(simulator().Set(plc, c.area, c.byte, std::vector<uint8_t>(c.plc.size(), 0)));
    std::memset(tag.values, 0, sizeof tag.values);
    std::memcpy(tag.values, c.host.data(), c.host.size());
    EXPECT_EQ(driver().Send(kCommandWriteBlock, tag), 0);
    EXPECT_EQ(simulator().Get(plc, c.area, c.byte, static_cast<int>(c.plc.size())), c.plc);
  }
}

TEST_F(TagKindsTest, SingleValuesAndBitsGoThroughTheHostCell) {
  for (int plc : {1, 2}) {
    SCOPED_TRACE(plc);
    // Bit 3 of the word at byte 22 (S7) or data word 11 (S5, also byte 22).
    const std::string prefix = "0" + std::to_string(plc) + "DW0100";
    HostTag bit;
    Define(bit, prefix + (plc == 1 ? "02203" : "01103"), kHostBit);
    ASSERT_TRUE(simulator().Set(plc, "db10", 22, {0x00, 0xF0}));

    bit.values[2] = 1;
    EXPECT_EQ(driver().Send(kCommandWriteValue, bit), 0);
    EXPECT_EQ(simulator().Get(plc, "db10", 22, 2), (std::vector<uint8_t>{0x00, 0xF8}));
    EXPECT_EQ(bit.Word(2), 1) << "the host's value stays as the host gave it";

    bit.values[2] = 0;
    EXPECT_EQ(driver().Send(kCommandWriteValue, bit), 0);
    EXPECT_EQ(simulator().Get(plc, "db10", 22, 2), (std::vector<uint8_t>{0x00, 0xF0}));

    ASSERT_TRUE(simulator().Set(plc, "db10", 22, {0x12, 0x08}));
    std::memset(bit.values, 0xEE, 4);
    EXPECT_EQ(driver().Send(kCommandReadValue, bit), 0);
    EXPECT_EQ(bit.Word(2), 1);
    EXPECT_EQ(bit.Word(0), 0xEEEE) << "a single value lives 2 bytes into the host's cell";
  }
}

}  // namespace
}  // namespace zan::e2e

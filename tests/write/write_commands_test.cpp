// The requests that the read and write commands refuse before anything is sent, and the
// read-modify-write of a bit through command 7.
#include <gtest/gtest.h>

#include <climits>

#include "support/tag_fixture.h"

namespace zan::testing {
namespace {

using WriteCommandTest = TagFixture;

TEST_F(WriteCommandTest, UnusableRequestsAreRefusedBeforeAnythingIsSent) {
  enum { kRead = 1, kWrite = 2, kBoth = 3 };
  // clang-format off
  const struct { const char* text; int32_t hostType; void (*spoil)(TagItem&); int ways; } rows[] = {
    {"01DW0100020", 1, [](TagItem& i) { i.count = 0; }, kBoth},
    {"01DW0100020", 1, [](TagItem& i) { i.count = 5001; }, kBoth},
    {"02DF0100004", 3, [](TagItem& i) { i.count = 2501; }, kBoth},
    {"01IB0000", 1, [](TagItem& i) { i.count = INT_MAX; }, kBoth},
    {"01DW0100020", 1, [](TagItem& i) { i.plc = 512; }, kBoth},
    {"01DW0100020", 1, [](TagItem& i) { i.valueBuffer = nullptr; }, kBoth},
    {"01DW0100020", 1, [](TagItem& i) { i.addressText = nullptr; }, kRead},
    {"01DS010001010", 7, [](TagItem& i) { i.addressText = "01DS0100010"; }, kBoth},
    {"!01", 1, [](TagItem& i) { i.address = 512; }, kRead},
    {"01DF0100005", 3, [](TagItem& i) { i.plc = 2; }, kBoth},  // an odd float on an S5
    {"!01", 1, [](TagItem&) {}, kWrite},
    {"01TB01000000100", 1, [](TagItem&) {}, kWrite},
    {"02SB010001001", 7, [](TagItem&) {}, kWrite},  // not a whole word
  };
  // clang-format on
  state().floatOddAddress = 1;
  for (const auto& row : rows) {
    for (int32_t command : {kCommandReadBlock, kCommandWriteBlock}) {
      if ((row.ways & (command == kCommandReadBlock ? kRead : kWrite)) == 0) continue;
      SCOPED_TRACE(::testing::Message() << (&row - rows) << " command " << command);
      TagItem item = Tag(row.text, row.hostType);
      row.spoil(item);
      plc(1).linkState = plc(256).linkState = 9;
      EXPECT_EQ(Run(command, item), 1);
      EXPECT_TRUE(transport().calls().empty());
      if (command == kCommandReadBlock) {
        EXPECT_EQ(plc(1).linkState + plc(256).linkState, 18) << "no row touched";
      }
    }
  }
  for (int32_t command :
       {kCommandReadBlock, kCommandReadValue, kCommandWriteBlock, kCommandWriteValue})
    EXPECT_EQ(Send(command, nullptr), 1);
  TagItem bytes = Tag("01DB0100000", 1, 10000), words = Tag("01DW0100000", 1, 5000);
  EXPECT_EQ(Read(bytes), 0);
  EXPECT_EQ(Sent(Op::kSendRead), Lines{"103 c=5 a=1 db=10 s=0 l=10000"});
  EXPECT_EQ(Write(words), 0);
  EXPECT_EQ(Sent(Op::kSendWrite), Lines{"106 c=5 a=1 db=10 s=0 l=10000"});
}

TEST_F(WriteCommandTest, BitWritesChangeOnlyTheirBit) {
  // clang-format off
  const struct {
    const char* text; int32_t hostType;
    const char* host;     // the host's cell; bit 0 of its bytes 2, 3 is a bit tag's new value
    const char* plcWord;  // as the read delivers it
    int sendRead; uint16_t readStatus; int32_t result; const char* sent;
  } rows[] = {
    {"01DW010002003", 6, "AABB 0100", "00F0", 0, 0, 0, "00F8"},     // set
    {"01DW010002003", 6, "AABB 0000", "00F8", 0, 0, 0, "00F0"},     // clear
    {"01DW010002015", 6, "AABB FEFF", "FFFF", 0, 0, 0, "7FFF"},     // only bit 0 of the host's word
    {"02DW010002008", 6, "AABB 0100", "0000", 0, 0, 0, "0001"},     // S5 word
    {"01DB010000507", 6, "AABB 0100", "01", 0, 0, 0, "81"},         // byte
    {"01DW010002003", 6, "AABB 0100", "00F0", 9, 0, 2, ""},         // read fails: connection
    {"01DW010002003", 6, "AABB 0100", "00F0", 0, 3, 1, ""},         // read fails: refused
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    transport().ReadData(Hex(row.plcWord));
    transport().Script(Op::kSendRead, {row.sendRead});
    transport().ReceiveStatus(row.readStatus);
    TagItem item = Tag(row.text, row.hostType, 9);
    const Bytes host = Hex(row.host);
    std::copy(host.begin(), host.end(), values.begin());
    const uint32_t bit = item.bit;
    EXPECT_EQ(Write(item, kCommandWriteValue), row.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), 1);
    EXPECT_EQ(Written(Hex(row.sent)), Hex(row.sent));
    EXPECT_EQ(Values(host.size()), host) << "the host's word is left as the host gave it";
    EXPECT_EQ(item.bit, bit) << "the tag's next write is a bit write again";
    EXPECT_EQ(item.count, 1);
    EXPECT_EQ(item.valueBuffer, values.data());
  }
}

TEST_F(WriteCommandTest, BitWritesReadTheWordFromThePlcNeverFromACacheBlock) {
  // A block of bytes 0 to 99 of data block 10 covers the word at byte 20. The PLC set bit 11 of
  // that word after the block was fetched; a block without valid data would refuse the read.
  for (const int32_t valid : {1, 0}) {
    SCOPED_TRACE(valid);
    Tag("01TB01000000100", 1, 1, 50);
    state().cache[0].valid = valid;
    state().cache[0].data[20] = 0x00;
    state().cache[0].data[21] = 0xF0;
    transport().ReadData(Hex("08F0"));
    TagItem item = Tag("01DW010002003", 6, 9);
    values[2] = 1;
    EXPECT_EQ(Write(item, kCommandWriteValue), 0);
    EXPECT_EQ(Sent(Op::kSendRead), Lines{"103 c=5 a=1 db=10 s=20 l=2"});
    EXPECT_EQ(Written(Hex("08F8")), Hex("08F8"));
    EXPECT_EQ(Bytes(state().cache[0].data + 20, state().cache[0].data + 22),
              Hex(valid == 1 ? "08F8" : "00F0"))
        << "a valid block is updated after the write, as before";
  }
}

}  // namespace
}  // namespace zan::testing

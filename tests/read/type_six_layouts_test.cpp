// A PLC of type 6 (PLC 3 of the fixture) by layout: the bytes of PLC memory that each kind of tag
// reads and writes over its byte-addressed connection, and the host value they make, with
// transferBuffer full of another request's bytes first. Data-block bytes have no place in its
// words; no write carries more bytes than its writer placed.
#include <gtest/gtest.h>

#include <cstring>

#include "support/tag_fixture.h"
#include "write/write_to_plc.h"

namespace zan::testing {
namespace {

using TypeSixTest = TagFixture;
constexpr uint8_t kLeftOver = 0xAA;  // what another request left in transferBuffer

TEST_F(TypeSixTest, EachLayoutMovesExactlyItsBytesInPlcOrder) {
  // clang-format off
  const struct {
    const char* text; int32_t hostType, count;
    const char* host;      // the host's values
    const char* range;     // the transfer, in bytes of PLC memory
    const char* plc;       // PLC memory of that range: what the write sends, what the read gets
    const char* readBack;  // what the read of those bytes gives the host; nullptr: `host`
  } rows[] = {
    {"03DW0100002", 1, 1, "3412", "a=1 db=10 s=4 l=2", "1234", nullptr},  // word 2
    {"03DW0100003", 1, 2, "3412 7856", "a=1 db=10 s=6 l=4", "1234 5678", nullptr},
    {"03XW010000A", 1, 1, "CDAB", "a=1 db=10 s=20 l=2", "ABCD", nullptr},
    {"03DD0100004", 4, 1, "78563412", "a=1 db=10 s=8 l=4", "12345678", nullptr},
    {"03DD0100005", 5, 1, "78563412", "a=1 db=10 s=10 l=4", "12345678", nullptr},
    {"03DF0100004", 3, 1, "0000803F", "a=1 db=10 s=8 l=4", "01400000", nullptr},  // S5 1.0
    {"03DF0100007", 3, 1, "0000C8C2", "a=1 db=10 s=14 l=4", "079C0000", nullptr},  // -100.0
    // A string of 10 keeps the S5 rules: 5 words of characters behind a header of 2 words.
    {"03DS010000410", 7, 1, "41424300", "a=1 db=10 s=8 l=14",
     "0503 4142 4300 0000 0000 0000 0000", nullptr},
    {"03SB010000405", 7, 1, "4142434445", "a=1 db=10 s=8 l=4", "41424344", "4142434400"},
    {"03MB0005", 1, 1, "AB00", "a=2 db=0 s=5 l=1", "AB", nullptr},
    {"03IW0006", 1, 1, "3412", "a=3 db=0 s=6 l=2", "1234", nullptr},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    const Bytes host = Hex(row.host);
    const Bytes plcBytes = Hex(row.plc);
    const std::string record = std::string("c=7 ") + row.range;

    TagItem item = Tag(row.text, row.hostType, row.count);
    std::copy(host.begin(), host.end(), values.begin());
    std::memset(state().transferBuffer, kLeftOver, sizeof state().transferBuffer);
    transport().Script(Op::kWriteCompletion, {0});
    ASSERT_EQ(Write(item), kResultDone);
    EXPECT_EQ(Sent(Op::kSendWrite), Lines{"106 " + record});
    EXPECT_EQ(Written(plcBytes), plcBytes);

    const Bytes expected = row.readBack != nullptr ? Hex(row.readBack) : host;
    item = Tag(row.text, row.hostType, row.count);
    std::memset(state().transferBuffer, kLeftOver, sizeof state().transferBuffer);
    transport().ReadData(plcBytes);
    ASSERT_EQ(Read(item), kResultDone);
    EXPECT_EQ(Sent(Op::kSendRead), Lines{"103 " + record});
    Bytes placed = expected;
    placed.push_back(kUnwritten);
    EXPECT_EQ(Values(placed.size()), placed) << "nothing placed behind the values";
  }
}

TEST_F(TypeSixTest, BitWritesChangeTheirBitInTheWordAsTheS5RulesNumberIt) {
  // Bit 3 of word 2 is bit 3 of PLC byte 5, the word's low-order byte; bit 12 is in byte 4.
  const struct {
    const char* text;
    const char* plcBefore;
    const char* plcAfter;
  } rows[] = {
      {"03DW010000203", "00F0", "00F8"},
      {"03DW010000212", "00F0", "10F0"},
      {"03MB000507", "01", "81"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    transport().ReadData(Hex(row.plcBefore));
    TagItem item = Tag(row.text, 6, 1);
    values[2] = 1;
    values[3] = 0;
    std::memset(state().transferBuffer, kLeftOver, sizeof state().transferBuffer);
    EXPECT_EQ(Write(item, kCommandWriteValue), kResultDone);
    EXPECT_EQ(Written(Hex(row.plcAfter)), Hex(row.plcAfter));
  }
}

TEST_F(TypeSixTest, DataBlockBytesAreNeitherReadNorWrittenOffAnS7) {
  // The parser refuses them on types 5 and 6; a host that kept a byte tag from an S7 row gets 1.
  for (const int plcNumber : {2, 3}) {
    SCOPED_TRACE(plcNumber);
    TagItem item = Tag("01DB0100002");
    item.plc = plcNumber;
    for (const int32_t command : {kCommandReadBlock, kCommandWriteBlock}) {
      EXPECT_EQ(Run(command, item), kResultRefused);
      EXPECT_TRUE(transport().calls().empty());
      EXPECT_EQ(plc(plcNumber).linkState, kResultRefused) << "no data for this tag";
    }
  }
}

TEST_F(TypeSixTest, AWriteCarriesNoMoreBytesThanItsWriterPlaced) {
  // clang-format off
  const struct { int plc; uint16_t area, length; int32_t encoded, result; } rows[] = {
    {1, kAreaDataBlock, 4, 4, kResultDone},      // S7: bytes
    {1, kAreaDataBlock, 5, 4, kResultRefused},
    {2, kAreaDataBlock, 2, 4, kResultDone},      // S5: words
    {2, kAreaDataBlock, 3, 4, kResultRefused},
    {2, kAreaFlags, 4, 4, kResultDone},          // S5 flags: bytes
    {3, kAreaDataBlock, 2, 4, kResultDone},      // type 6: words, sent as the bytes that hold them
    {3, kAreaDataBlock, 1, 1, kResultRefused},
    {3, kAreaInputs, 2, 1, kResultRefused},
  };
  // clang-format on
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "PLC " << row.plc << " length " << row.length);
    TagItem item = Tag("01DW0100000");
    item.plc = row.plc;
    TransferRecord record{0, row.area, 10, 0, row.length};
    transport().Script(Op::kWriteCompletion, {0});
    ClearLog();
    transport().ClearCalls();
    EXPECT_EQ(WriteToPlc(state(), item, record, row.encoded), row.result);
    EXPECT_EQ(transport().Count(Op::kSendWrite), row.result == kResultDone ? 1 : 0);
    EXPECT_TRUE(row.result == kResultDone || log().empty()) << "a refusal logs nothing";
  }
}

}  // namespace
}  // namespace zan::testing

// The write commands: every writer through command 10 (the record and the bytes that reach the
// transport in both layouts, and the requests refused before anything is sent), single values and
// the read-modify-write of bits through command 7, and the failure rule of master/backup pairs.
#include <gtest/gtest.h>

#include "write/write_fixture.h"

namespace zan::testing::writing {
namespace {

using WriteCommandTest = WriteTest;

// clang-format off
struct KindRow {
  const char* name; int plcNumber; int32_t kind; uint16_t offset; int32_t count;
  const char* address;      // a string's length is that of its address
  const char* host;
  std::vector<int> record;  // empty: refused with 1, nothing sent
  const char* sent;
};
const char* const W = "01DW0100020";
const KindRow kKindRows[] = {
  {"S7 words", kS7, kKindWord, 10, 2, W, "3412 CDAB", {11, 1, 10, 20, 4}, "1234 ABCD"},
  {"S5 words, write connection", kS5, kKindWord, 21, 2, W, "3412 FEFF", {22, 1, 10, 21, 2},
   "3412 FEFF"},
  {"type 6, read connection", kType6, kKindWord, 21, 1, W, "3412", {31, 1, 10, 21, 1}, "3412"},
  {"S7 bytes, low 8 bits", kS7, kKindByte, 5, 2, W, "3412 FF00", {11, 1, 10, 5, 2}, "34FF"},
  {"S7 double word", kS7, kKindDoubleWord, 2, 1, W, "78563412", {11, 1, 10, 8, 4}, "12345678"},
  {"S5 double word, half", kS5, kKindDoubleWordHalf, 3, 1, W, "78563412", {22, 1, 10, 7, 2},
   "34127856"},
  {"S7 floats, half", kS7, kKindFloatHalf, 1, 2, W, "0000803F 000080BF", {11, 1, 10, 6, 8},
   "3F800000 BF800000"},
  {"S7 float at 4n+1", kS7, kKindFloatOddByte, 1, 1, W, "0000803F", {11, 1, 10, 5, 4}, "3F80"},
  {"S7 float at 4n+3", kS7, kKindFloatOddByteHalf, 1, 1, W, "0000803F", {11, 1, 10, 7, 4}, "3F80"},
  {"S5 floats", kS5, kKindFloat, 1, 2, W, "0000803F 000080BF", {22, 1, 10, 2, 4},
   "40010000 80000000"},
  {"S7 input byte", kS7, kKindInputByte, 2, 1, W, "AB01", {11, 3, 0, 2, 1}, "AB"},
  {"S5 flag words, PLC order", kS5, kKindFlagWord, 6, 1, W, "3412", {22, 2, 0, 6, 2}, "1234"},
  {"S7 string", kS7, kKindString, 10, 0, "01DS010001010", "414243 00", {11, 1, 10, 10, 12},
   "0A03 414243 00000000000000"},
  {"S7 string cut to its length", kS7, kKindString, 10, 0, "01DS010001004", "4142434445 00",
   {11, 1, 10, 10, 6}, "0404 41424344"},
  {"S7 characters as given", kS7, kKindCharacters, 10, 0, "01SB010001004", "4142 0044",
   {11, 1, 10, 10, 4}, "4142 0044"},
  {"S5 string", kS5, kKindString, 10, 0, "02DS010001005", "41424344454647 00",
   {22, 1, 10, 10, 4}, "0502 4241 4443 0045"},
  {"S5 characters, every one carried", kS5, kKindCharacters, 10, 0, "02SB010001005", "4142434445",
   {22, 1, 10, 10, 2}, "4241 4443"},
  {"S5 characters to the text's end", kS5, kKindCharacters, 10, 0, "02SB010001006",
   "4142 0044 4546", {22, 1, 10, 10, 3}, "4241 0000 0000"},
  {"type 6 string, not exchanged", kType6, kKindString, 10, 0, "03DS010001004", "414243 00",
   {31, 1, 10, 10, 4}, "0203 4142 4300 0000"},
  {"cache-block tag", kS7, kKindCacheBlock, 10, 1, "01TB01000000100", "0000", {}, ""},
  {"status tag", kStatusPlc, kKindStatus, 1, 1, "!01", "0000", {}, ""},
  {"odd float on an S5", kS5, kKindFloatOddByte, 1, 1, W, "0000", {}, ""},
  {"no value", kS7, kKindWord, 10, 0, W, "0000", {}, ""},
  {"floats beyond transferBuffer", kS5, kKindFloat, 10, 2501, W, "0000", {}, ""},
  {"string without its length", kS7, kKindString, 10, 1, "01DS0100010", "0000", {}, ""},
  {"S5 characters of length 1", kS5, kKindCharacters, 10, 1, "02SB010001001", "4100", {}, ""},
  {"the largest write that fits", kS7, kKindWord, 10, 5000, W, "", {11, 1, 10, 20, 10000}, ""},
  {"PLC outside the table", kPlcCount, kKindWord, 10, 1, W, "", {}, ""},
};
// clang-format on

TEST_F(WriteCommandTest, EveryKindInBothLayouts) {
  for (const KindRow& row : kKindRows) {
    SCOPED_TRACE(row.name);
    Bytes host = Hex(row.host);
    host.resize(10000, 0xEE);  // filler that must never be sent
    TagItem item = Item(row.plcNumber, row.kind, row.offset, row.count, host, row.address);
    const bool inTable = row.plcNumber < kPlcCount;
    if (inTable) plc(row.plcNumber).linkState = kLinkConnected;
    EXPECT_EQ(Command(kCommandWriteBlock, item), row.record.empty() ? kResultRefused : kResultDone);
    EXPECT_EQ(SentRecord(), row.record);
    EXPECT_EQ(SentAs(row.sent), Hex(row.sent));
    if (inTable) {
      EXPECT_EQ(plc(row.plcNumber).linkState, row.record.empty() ? 1 : 0);
    }
    EXPECT_TRUE(log().empty());
  }
}

TEST_F(WriteCommandTest, SingleValuesAndBitWrites) {
  // clang-format off
  struct Row {
    const char* name; int plcNumber; int32_t kind; uint32_t bit;
    const char* host;     // the host's cell; bit 0 of its bytes 2, 3 is a bit tag's new value
    const char* plcWord;  // as the read delivers it; nullptr: nothing is read
    int sendRead; uint16_t readStatus; int32_t result; const char* sent;
  } rows[] = {
    {"word from bytes 2, 3", kS7, kKindWord, kBitWholeValue, "AABB 3412", nullptr, 0, 0, 0, "1234"},
    {"float from byte 0", kS5, kKindFloat, kBitWholeValue, "0000 803F", nullptr, 0, 0, 0, "4001"},
    {"S7 set", kS7, kKindWord, 3, "AABB 0100", "00F0", 0, 0, 0, "00F8"},
    {"S7 clear", kS7, kKindWord, 3, "AABB 0000", "00F8", 0, 0, 0, "00F0"},
    {"only bit 0 of the host's word", kS7, kKindWord, 15, "AABB FEFF", "FFFF", 0, 0, 0, "7FFF"},
    {"S5 word", kS5, kKindWord, 8, "AABB 0100", "0000", 0, 0, 0, "0001"},
    {"S7 byte", kS7, kKindByte, 7, "AABB 0100", "01", 0, 0, 0, "81"},
    {"read fails: connection", kS7, kKindWord, 3, "AABB 0100", "00F0", 9, 0, 2, ""},
    {"read fails: refused", kS7, kKindWord, 3, "AABB 0100", "00F0", 0, 3, 1, ""},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.plcWord) {
      transport().ReadData(Hex(row.plcWord));
      transport().Script(Op::kSendRead, {row.sendRead});
      transport().ReceiveStatus(row.readStatus);
    }
    Bytes host = Hex(row.host);
    TagItem item = Item(row.plcNumber, row.kind, 10, 9, host);
    item.bit = row.bit;
    EXPECT_EQ(Command(kCommandWriteValue, item), row.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), row.plcWord ? 1 : 0);
    EXPECT_EQ(SentAs(row.sent), Hex(row.sent));
    EXPECT_EQ(host, Hex(row.host)) << "the host's word is left as the host gave it";
    EXPECT_EQ(item.bit, row.bit) << "the tag's next write is a bit write again";
    EXPECT_EQ(item.count, 1);
    EXPECT_EQ(item.valueBuffer, host.data());
  }
}

TEST_F(WriteCommandTest, MasterBackupPairs) {
  Configure(4, kPlcTypeS7, 41);
  plc(kS7).backupPlc = 4;
  // clang-format off
  struct Row {
    const char* name; uint8_t masterLink, backupLink; int completion;  // -1: nothing is sent
    int32_t result, plcAfter, handle; uint8_t masterAfter, backupAfter;
  } rows[] = {
    {"master fails, backup has not", 0, 0, 9, kResultRefused, kS7, 11, 2, 0},
    {"master fails, backup had failed", 0, 2, 9, kResultUnreachable, kS7, 11, 2, 2},
    {"failed master: the backup serves", 2, 1, 0, kResultDone, 4, 41, 2, 0},
    {"serving backup fails, no backup of its own", 2, 0, 9, kResultUnreachable, 4, 41, 2, 2},
    {"both failed: nothing sent", 2, 2, -1, kResultUnreachable, kS7, 0, 2, 2},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    plc(kS7).linkState = row.masterLink;
    plc(4).linkState = row.backupLink;
    if (row.completion >= 0) transport().Script(Op::kWriteCompletion, {row.completion});
    Bytes host = Hex("3412");
    TagItem item = Item(kS7, kKindWord, 10, 1, host);
    EXPECT_EQ(Command(kCommandWriteBlock, item), row.result);
    EXPECT_EQ(item.plc, row.plcAfter);
    EXPECT_EQ(SentRecord().empty() ? 0 : SentRecord()[0], row.handle);
    EXPECT_EQ(plc(kS7).linkState, row.masterAfter);
    EXPECT_EQ(plc(4).linkState, row.backupAfter);
  }
}

}  // namespace
}  // namespace zan::testing::writing

// Every writer: the record and the bytes that reach the transport, for both layouts.
#include <gtest/gtest.h>

#include <cstring>

#include "write/write_fixture.h"

namespace zan::testing {
namespace {

struct WriterRow {
  const char* name;
  int plcNumber;
  int32_t kind;
  uint16_t offset;
  int32_t count;
  Bytes host;
  uint16_t handle, area, dataBlock, start, length;
  Bytes sent;
};

// Host floats 1.0 and -1.0 as their little-endian bytes.
const Bytes kOne = {0x00, 0x00, 0x80, 0x3F};
const Bytes kOneMinusOne = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x80, 0xBF};
const Bytes kDoubleWord = {0x78, 0x56, 0x34, 0x12};  // 0x12345678

using WriterTest = WriteTest;

TEST_F(WriterTest, EveryWriterSendsItsRecordAndBytes) {
  const WriterRow rows[] = {
      {"S7 words",
       kS7,
       kKindWord,
       10,
       2,
       Words({0x1234, 0xABCD}),
       11,
       1,
       10,
       20,
       4,
       {0x12, 0x34, 0xAB, 0xCD}},
      {"S7 word at an odd byte",
       kS7,
       kKindWordOddByte,
       10,
       1,
       Words({0x1234}),
       11,
       1,
       10,
       21,
       2,
       {0x12, 0x34}},
      {"S5 words, write connection",
       kS5,
       kKindWord,
       21,
       2,
       Words({0x1234, 0xFFFE}),
       22,
       1,
       10,
       21,
       2,
       {0x34, 0x12, 0xFE, 0xFF}},
      {"type 6 words, read connection",
       kType6,
       kKindWord,
       21,
       1,
       Words({0x1234}),
       31,
       1,
       10,
       21,
       1,
       {0x34, 0x12}},
      {"S7 bytes: low 8 bits",
       kS7,
       kKindByte,
       5,
       2,
       Words({0x1234, 0x00FF}),
       11,
       1,
       10,
       5,
       2,
       {0x34, 0xFF}},
      {"S7 double word",
       kS7,
       kKindDoubleWord,
       2,
       1,
       kDoubleWord,
       11,
       1,
       10,
       8,
       4,
       {0x12, 0x34, 0x56, 0x78}},
      {"S7 half-aligned double word",
       kS7,
       kKindDoubleWordHalf,
       1,
       1,
       kDoubleWord,
       11,
       1,
       10,
       6,
       4,
       {0x12, 0x34, 0x56, 0x78}},
      {"S5 double word",
       kS5,
       kKindDoubleWord,
       3,
       1,
       kDoubleWord,
       22,
       1,
       10,
       6,
       2,
       {0x34, 0x12, 0x78, 0x56}},
      {"S5 half-aligned double word",
       kS5,
       kKindDoubleWordHalf,
       3,
       1,
       kDoubleWord,
       22,
       1,
       10,
       7,
       2,
       {0x34, 0x12, 0x78, 0x56}},
      {"S7 float", kS7, kKindFloat, 1, 1, kOne, 11, 1, 10, 4, 4, {0x3F, 0x80, 0x00, 0x00}},
      {"S7 half-aligned floats",
       kS7,
       kKindFloatHalf,
       1,
       2,
       kOneMinusOne,
       11,
       1,
       10,
       6,
       8,
       {0x3F, 0x80, 0x00, 0x00, 0xBF, 0x80, 0x00, 0x00}},
      {"S5 float", kS5, kKindFloat, 1, 1, kOne, 22, 1, 10, 2, 2, {0x40, 0x01, 0x00, 0x00}},
      {"S5 half-aligned floats",
       kS5,
       kKindFloatHalf,
       1,
       2,
       kOneMinusOne,
       22,
       1,
       10,
       3,
       4,
       {0x40, 0x01, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00}},
      {"S7 float at byte 4 off + 1",
       kS7,
       kKindFloatOddByte,
       1,
       1,
       kOne,
       11,
       1,
       10,
       5,
       4,
       {0x3F, 0x80, 0x00, 0x00}},
      {"S7 float at byte 4 off + 3",
       kS7,
       kKindFloatOddByteHalf,
       1,
       1,
       kOne,
       11,
       1,
       10,
       7,
       4,
       {0x3F, 0x80, 0x00, 0x00}},
      {"S7 input byte", kS7, kKindInputByte, 2, 1, Words({0x01AB}), 11, 3, 0, 2, 1, {0xAB}},
      {"S7 output words",
       kS7,
       kKindOutputWord,
       5,
       2,
       Words({0x1234, 0x5678}),
       11,
       4,
       0,
       10,
       4,
       {0x12, 0x34, 0x56, 0x78}},
      {"S5 flag byte", kS5, kKindFlagByte, 7, 1, Words({0x0042}), 22, 2, 0, 7, 1, {0x42}},
      {"S5 input words: PLC order, counted in bytes",
       kS5,
       kKindInputWord,
       6,
       2,
       Words({0x1234, 0x5678}),
       22,
       3,
       0,
       6,
       4,
       {0x12, 0x34, 0x56, 0x78}},
  };
  for (const WriterRow& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes host = row.host;
    // Inputs, outputs and flags go out without a data block, whatever `address` holds.
    TagItem item = Item(row.plcNumber, row.kind, 10, row.offset, row.count, host);
    EXPECT_EQ(WriteBlock(item), kResultDone);
    const TransportCall sent = SentWrite();
    EXPECT_EQ(sent.record.connection, row.handle);
    EXPECT_EQ(sent.record.area, row.area);
    EXPECT_EQ(sent.record.dbNumber, row.dataBlock);
    EXPECT_EQ(sent.record.start, row.start);
    EXPECT_EQ(sent.record.length, row.length);
    EXPECT_EQ(SentBytes(row.sent.size()), row.sent);
    EXPECT_EQ(host, row.host) << "the host's values are left as they were";
    EXPECT_EQ(plc(row.plcNumber).linkState, kLinkConnected);
  }
}

struct StringRow {
  const char* name;
  int plcNumber;
  int32_t kind;
  const char* address;  // its string length is that of the tag
  const char* host;
  uint16_t length;
  Bytes sent;
};

TEST_F(WriterTest, StringsInBothLayouts) {
  const StringRow rows[] = {
      {"S7 string, zeros up to its maximum",
       kS7,
       kKindString,
       "01DS010001010",
       "ABC",
       12,
       {0x0A, 0x03, 'A', 'B', 'C', 0, 0, 0, 0, 0, 0, 0}},
      {"S7 string longer than the tag: cut, length byte too",
       kS7,
       kKindString,
       "01DS010001004",
       "ABCDEFGH",
       6,
       {0x04, 0x04, 'A', 'B', 'C', 'D'}},
      {"S7 characters as they stand",
       kS7,
       kKindCharacters,
       "01SB010001004",
       "AB\0D",
       4,
       {'A', 'B', 0, 'D'}},
      {"S5 string: words exchanged, zeros to the end",
       kS5,
       kKindString,
       "02DS010001005",
       "ABCDEFG",
       4,
       {0x05, 0x02, 'B', 'A', 'D', 'C', 0, 'E'}},
      {"S5 characters: every carried character",
       kS5,
       kKindCharacters,
       "02SB010001004",
       "ABCD",
       2,
       {'B', 'A', 'D', 'C'}},
      {"S5 characters: zeros where the text ends",
       kS5,
       kKindCharacters,
       "02SB010001006",
       "AB\0DEF",
       3,
       {'B', 'A', 0, 0, 0, 0}},
      {"type 6 string: no exchange",
       kType6,
       kKindString,
       "03DS010001004",
       "ABC",
       4,
       {0x02, 0x03, 'A', 'B', 'C', 0, 0, 0}},
  };
  for (const StringRow& row : rows) {
    SCOPED_TRACE(row.name);
    // The host's buffer: the text and filler behind it that must never be sent.
    Bytes host(96, 0xEE);
    std::memcpy(host.data(), row.host, std::strlen(row.host) + 1);
    if (row.kind == kKindCharacters) std::memcpy(host.data(), row.host, row.sent.size());
    TagItem item = Item(row.plcNumber, row.kind, 10, 10, 0, host, row.address);
    EXPECT_EQ(WriteBlock(item), kResultDone);
    EXPECT_EQ(SentWrite().record.start, 10);
    EXPECT_EQ(SentWrite().record.length, row.length);
    EXPECT_EQ(SentBytes(row.sent.size()), row.sent);
  }
}

TEST_F(WriterTest, RefusedWithoutSending) {
  struct Refusal {
    const char* name;
    int32_t plcNumber;
    int32_t kind;
    int32_t count;
    const char* address;
  };
  const Refusal rows[] = {
      {"cache-block tag", kS7, kKindCacheBlock, 1, "01TB01000000100"},
      {"status tag", kStatusPlc, kKindStatus, 1, "!01"},
      {"master heartbeat", kS7 + kHeartbeatPlcOffset, kKindMasterHeartbeat, 1, "01D10100100"},
      {"backup heartbeat", kS7 + kHeartbeatPlcOffset, kKindBackupHeartbeat, 1, "01D20100100"},
      {"unknown kind", kS7, 0x7A, 1, "01DW0100020"},
      {"odd float on an S5", kS5, kKindFloatOddByte, 1, "02DF0100005"},
      {"no value", kS7, kKindWord, 0, "01DW0100020"},
      {"negative count", kS7, kKindWord, -1, "01DW0100020"},
      {"words beyond transferBuffer", kS7, kKindWord, 5001, "01DW0100020"},
      {"floats beyond transferBuffer", kS5, kKindFloat, 2501, "02DF0100020"},
      {"bytes beyond transferBuffer", kS7, kKindInputByte, 10001, "01IB0002"},
      {"string without its length", kS7, kKindString, 1, "01DS0100010"},
      {"S5 characters of length 1: no word to carry", kS5, kKindCharacters, 1, "02SB010001001"},
  };
  Bytes host(64, 0);
  for (const Refusal& row : rows) {
    SCOPED_TRACE(row.name);
    TagItem item = Item(row.plcNumber, row.kind, 10, 10, row.count, host, row.address);
    state().plcs[row.plcNumber].linkState = kLinkConnected;
    EXPECT_EQ(WriteBlock(item), kResultRefused);
    EXPECT_TRUE(transport().calls().empty());
    EXPECT_TRUE(log().empty());
    EXPECT_EQ(state().plcs[row.plcNumber].linkState, kLinkNeverTried);
  }

  // The largest writes that fit are sent.
  Bytes words(10000, 0);
  TagItem item = Item(kS7, kKindWord, 10, 10, 5000, words);
  EXPECT_EQ(WriteBlock(item), kResultDone);
  EXPECT_EQ(SentWrite().record.length, 10000);

  // A PLC number outside the table touches nothing.
  for (int32_t number : {-1, kPlcCount}) {
    TagItem outside = Item(number, kKindWord, 10, 10, 1, host);
    EXPECT_EQ(WriteBlock(outside), kResultRefused);
    EXPECT_EQ(WriteValue(outside), kResultRefused);
    EXPECT_TRUE(transport().calls().empty());
  }
}

}  // namespace
}  // namespace zan::testing

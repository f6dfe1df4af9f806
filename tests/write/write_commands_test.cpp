// WriteValue (command 7): single values and the read-modify-write of bits; WriteBlock (command 10):
// the switchover and the failure rule of master/backup pairs.
#include <gtest/gtest.h>

#include "write/write_fixture.h"

namespace zan::testing {
namespace {

using WriteCommandTest = WriteTest;

TEST_F(WriteCommandTest, BitWritesChangeOneBitOfTheWordAsRead) {
  struct Row {
    const char* name;
    int plcNumber;
    int32_t kind;
    uint32_t bit;
    uint16_t hostWord;  // bit 0 is the new value
    Bytes plcWord;      // the word as the read delivers it
    Bytes sent;
  };
  const Row rows[] = {
      {"S7 set", kS7, kKindWord, 3, 0x0001, {0x00, 0xF0}, {0x00, 0xF8}},
      {"S7 clear", kS7, kKindWord, 3, 0x0000, {0x00, 0xF8}, {0x00, 0xF0}},
      {"only bit 0 of the host's word counts",
       kS7,
       kKindWord,
       15,
       0xFFFE,
       {0xFF, 0xFF},
       {0x7F, 0xFF}},
      {"S5 word", kS5, kKindWord, 8, 0x0001, {0x00, 0x00}, {0x00, 0x01}},
      {"S7 byte", kS7, kKindByte, 7, 0x0001, {0x01}, {0x81}},
      {"S7 flag word", kS7, kKindFlagWord, 0, 0x0001, {0x12, 0x34}, {0x12, 0x35}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    transport().ReadData(row.plcWord);
    Bytes host = {0xAA, 0xBB, static_cast<uint8_t>(row.hostWord),
                  static_cast<uint8_t>(row.hostWord >> 8)};
    const Bytes given = host;
    TagItem item = Item(row.plcNumber, row.kind, 10, 10, 9, host);
    item.bit = row.bit;

    EXPECT_EQ(WriteValue(item), kResultDone);
    const std::string handle = row.plcNumber == kS5 ? "22" : "11";
    const std::string read = row.plcNumber == kS5 ? "21" : "11";
    EXPECT_EQ(transport().Journal(),
              (Lines{"103 h=" + read, "104 h=" + read, "106 h=" + handle, "107 h=" + handle}));
    EXPECT_EQ(SentBytes(row.sent.size()), row.sent);
    EXPECT_EQ(host, given) << "the host's word is left as the host gave it";
    EXPECT_EQ(item.bit, row.bit) << "the tag's next write is a bit write again";
    EXPECT_EQ(item.count, 1);
    EXPECT_EQ(item.valueBuffer, host.data());
  }
}

TEST_F(WriteCommandTest, BitWriteWhoseReadFailsWritesNothing) {
  struct Row {
    const char* name;
    int sendRead;
    uint16_t receiveStatus;
    int32_t result;
  };
  const Row rows[] = {
      {"connection failed", 9, 0, kResultUnreachable},
      {"refused by the PLC", 0, 3, kResultRefused},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    transport().Script(Op::kSendRead, {row.sendRead});
    if (row.receiveStatus != 0) transport().ScriptReceiveStatus({row.receiveStatus});
    Bytes host = Words({0x5555, 0x0001});
    const Bytes given = host;
    TagItem item = Item(kS7, kKindWord, 10, 10, 1, host);
    item.bit = 3;
    EXPECT_EQ(WriteValue(item), row.result);
    EXPECT_EQ(transport().Count(Op::kSendWrite), 0);
    EXPECT_EQ(host, given);
    EXPECT_EQ(item.bit, 3u);
  }

  // A word inside a cache block without valid data: refused without asking the PLC.
  CacheBlock& block = state().cache[0];
  block.tagId = 50;
  block.plcNumber = kS7;
  block.dbNumber = 10;
  block.start = 0;
  block.length = 100;
  block.valid = 0;
  Bytes host = Words({0, 1});
  TagItem item = Item(kS7, kKindWord, 10, 10, 1, host);
  item.bit = 3;
  EXPECT_EQ(WriteValue(item), kResultRefused);
  EXPECT_TRUE(transport().calls().empty());
}

TEST_F(WriteCommandTest, SingleValuesTakeTheirPlaceInTheHostCell) {
  // Word, byte and input/output/flag kinds: bytes 2 and 3; the first two are never read.
  Bytes host = {0xAA, 0xBB, 0x34, 0x12};
  TagItem item = Item(kS7, kKindWord, 10, 10, 9, host);
  EXPECT_EQ(WriteValue(item), kResultDone);
  EXPECT_EQ(SentWrite().record.length, 2);
  EXPECT_EQ(SentBytes(2), (Bytes{0x12, 0x34}));
  EXPECT_EQ(item.count, 1);
  EXPECT_EQ(item.valueBuffer, host.data());

  // Floats, double words and strings: from the first byte.
  host = {0x00, 0x00, 0x80, 0x3F};
  item = Item(kS5, kKindFloat, 10, 1, 9, host);
  EXPECT_EQ(WriteValue(item), kResultDone);
  EXPECT_EQ(SentBytes(4), (Bytes{0x40, 0x01, 0x00, 0x00}));

  // A cache-block tag carries no value.
  item = Item(kS7, kKindCacheBlock, 10, 0, 1, host, "01TB01000000100");
  EXPECT_EQ(WriteValue(item), kResultRefused);
  EXPECT_TRUE(transport().calls().empty());
}

TEST_F(WriteCommandTest, MasterBackupPairs) {
  constexpr int kBackup = 4;
  Configure(kBackup, kPlcTypeS7, 41);
  plc(kS7).backupPlc = kBackup;
  struct Row {
    const char* name;
    uint8_t masterLink, backupLink;
    int completion;
    int32_t result;
    int32_t plcAfter;  // the item's plc afterwards
    Lines journal;
    uint8_t masterLinkAfter, backupLinkAfter;
  };
  const Row rows[] = {
      {"master fails, backup has not",
       kLinkConnected,
       kLinkConnected,
       9,
       kResultRefused,
       kS7,
       {"106 h=11", "107 h=11"},
       kLinkFailed,
       kLinkConnected},
      {"master fails, backup had failed",
       kLinkConnected,
       kLinkFailed,
       9,
       kResultUnreachable,
       kS7,
       {"106 h=11", "107 h=11"},
       kLinkFailed,
       kLinkFailed},
      {"failed master: the backup serves",
       kLinkFailed,
       kLinkNeverTried,
       0,
       kResultDone,
       kBackup,
       {"106 h=41", "107 h=41"},
       kLinkFailed,
       kLinkConnected},
      {"serving backup fails: no backup of its own",
       kLinkFailed,
       kLinkConnected,
       9,
       kResultUnreachable,
       kBackup,
       {"106 h=41", "107 h=41"},
       kLinkFailed,
       kLinkFailed},
      {"both failed: nothing sent",
       kLinkFailed,
       kLinkFailed,
       0,
       kResultUnreachable,
       kS7,
       {},
       kLinkFailed,
       kLinkFailed},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    plc(kS7).linkState = row.masterLink;
    plc(kBackup).linkState = row.backupLink;
    if (!row.journal.empty()) transport().Script(Op::kWriteCompletion, {row.completion});
    Bytes host = Words({0x1234});
    TagItem item = Item(kS7, kKindWord, 10, 10, 1, host);
    EXPECT_EQ(WriteBlock(item), row.result);
    EXPECT_EQ(item.plc, row.plcAfter);
    EXPECT_EQ(transport().Journal(), row.journal);
    EXPECT_EQ(plc(kS7).linkState, row.masterLinkAfter);
    EXPECT_EQ(plc(kBackup).linkState, row.backupLinkAfter);
  }
}

}  // namespace
}  // namespace zan::testing

// The master/backup switchover (PLC 1, backed up by PLC 4) of reads and writes, the status tag and
// the heartbeat tags.
#include <gtest/gtest.h>

#include "support/tag_fixture.h"

namespace zan::testing {
namespace {

using ReadTest = TagFixture;
const std::string kToBackup = "ZanDOR: PLC 1 Changed to Backup PLC 4 now !!!";
const std::string kToMaster = "ZanDOR: PLC 1 Changed from Backup to Master !!!";

TEST_F(ReadTest, SwitchoverWalksThePairsStateTableForReadsAndWrites) {
  plc(1).backupPlc = 4;
  // clang-format off
  const struct {
    uint8_t masterLink, masterAlive, backupLink;
    int answer;  // of the send-read, and of the write completion
    int32_t result;
    int served;  // the PLC whose connection was used; 0: none, and no linkState changed
    uint8_t masterActive, backupActive; Lines log;
  } steps[] = {
    {0, 1, 0, 0, 0, 1, 1, 0, {}},           // initial: the master serves
    {2, 1, 0, 0, 0, 4, 0, 1, {kToBackup}},  // the master fails
    {2, 1, 0, 0, 0, 4, 0, 1, {}},           // the backup goes on serving
    {0, 1, 0, 0, 0, 1, 1, 0, {kToMaster}},  // the master is back
    {0, 0, 1, 0, 0, 4, 0, 1, {kToBackup}},  // heartbeat stopped; a never-tried backup serves
    {2, 1, 2, 0, 2, 0, 0, 1, {}},           // both fail: nothing changes
    {0, 1, 2, 0, 0, 1, 1, 0, {kToMaster}},
    {2, 1, 2, 0, 2, 0, 1, 0, {}},
    {0, 1, 0, 9, 1, 1, 1, 0, {}},           // one member fails: 1, the next request moves
    {0, 1, 2, 9, 2, 1, 1, 0, {}},           // the other had failed too
    {2, 1, 0, 9, 2, 4, 0, 1, {kToBackup}},  // the backup serves and fails
  };
  // clang-format on
  for (const auto& s : steps) {
    const uint8_t masterWas = plc(1).active, backupWas = plc(4).active;
    for (int32_t command : {kCommandReadBlock, kCommandWriteBlock}) {
      SCOPED_TRACE(::testing::Message() << (&s - steps) << " command " << command);
      plc(1).active = masterWas;
      plc(4).active = backupWas;
      plc(1).linkState = s.masterLink;
      plc(1).watchdogAlive = s.masterAlive;
      plc(4).linkState = s.backupLink;
      TagItem item = Tag("01DW0100020");
      transport().Fallback(Op::kSendRead, s.answer);
      transport().Fallback(Op::kWriteCompletion, s.answer);
      EXPECT_EQ(Run(command, item), s.result);
      if (s.served == 0) {
        EXPECT_TRUE(transport().calls().empty());
        EXPECT_EQ(plc(1).linkState, s.masterLink);
        EXPECT_EQ(plc(4).linkState, s.backupLink);
      } else {
        EXPECT_EQ(transport().calls().at(0).handle, s.served + 4u);
        EXPECT_EQ(item.plc, s.served) << "the item keeps the PLC that served it";
      }
      EXPECT_EQ(plc(1).active, s.masterActive);
      EXPECT_EQ(plc(4).active, s.backupActive);
      Lines expected = s.log;
      if (command == kCommandWriteBlock && s.answer != 0)
        expected.push_back("ZanDOR: Write Tag 01DW0100020 Failed, rc=9,0");
      EXPECT_EQ(log(), expected);
    }
  }
}

TEST_F(ReadTest, StatusTagReportsTheMonitoredPlcInRow256) {
  const uint8_t cases[][4] = {{1, 1, 1, 4}, {2, 1, 1, 4}, {0, 0, 1, 2}, {0, 1, 1, 1}, {0, 1, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    plc(1).linkState = c[0];
    plc(1).watchdogAlive = c[1];
    plc(1).active = c[2];
    plc(256).linkState = kLinkFailed;
    TagItem item = Tag("!01");
    EXPECT_EQ(Read(item), 0);
    EXPECT_EQ(Read(item, kCommandReadValue), 0);
    EXPECT_EQ(Values(5), (Bytes{c[3], 0, c[3], 0, kUnwritten}));
    EXPECT_TRUE(transport().calls().empty());
    EXPECT_EQ(plc(256).linkState, kLinkConnected);
    EXPECT_EQ(plc(1).linkState, c[0]);
  }
}

TEST_F(ReadTest, HeartbeatsWatchTheWordAndReconnect) {
  plc(1).backupPlc = 4;
  // clang-format off
  const struct {
    const char *text, *word;  // the word that the PLC answers
    int watched; uint8_t link;  // the watched PLC and its linkState before the read
    int sendAnswer; int32_t result; int reads, opens; uint16_t alive, value; uint8_t linkAfter;
  } steps[] = {
    {"01D10100100", "00 05", 1, 0, 0, 0, 1, 0, 1, 5, 0},
    {"01D10100100", "00 06", 1, 0, 0, 0, 1, 0, 1, 6, 0},
    {"01D10100100", "00 06", 1, 0, 0, 0, 1, 0, 0, 6, 0},       // unchanged: stopped
    {"01D10100100", "00 07", 1, 0, 9, 1, 1, 0, 0, 6, 2},       // read fails
    {"01D10100100", "00 08", 1, 2, 0, 0, 0, 1, 1, 0xEEEE, 0},  // reconnected, not read
    {"01D20100100", "00 09", 4, 0, 0, 0, 1, 0, 1, 9, 0},
    {"01D20100100", "00 09", 4, 1, 0, 0, 0, 0, 1, 0xEEEE, 1},  // never tried: not read
    {"01D20100100", "00 09", 4, 1, 0, 0, 0, 0, 0, 0xEEEE, 1},
    {"01D20100100", "01 00", 4, 2, 0, 0, 1, 1, 1, 0x0100, 0},  // reconnected, then read
  };
  // clang-format on
  for (const auto& s : steps) {
    SCOPED_TRACE(&s - steps);
    plc(s.watched).linkState = s.link;
    TagItem item = Tag(s.text);
    transport().ReadData(Hex(s.word));
    transport().Script(Op::kSendRead, {s.sendAnswer});
    EXPECT_EQ(Read(item), s.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), s.reads);
    EXPECT_EQ(transport().Count(Op::kOpenS7), s.opens);
    EXPECT_EQ(plc(s.watched).watchdogAlive, s.alive);
    EXPECT_EQ(plc(s.watched).watchdogValue, s.value);
    EXPECT_EQ(plc(s.watched).linkState, s.linkAfter);
    EXPECT_EQ(item.plc, 257);
    EXPECT_EQ(plc(257).linkState, s.result);
  }
  TagItem orphan = Tag("02D20100100");  // PLC 2 has no backup: nothing read or recorded
  plc(258).linkState = kLinkFailed;
  EXPECT_EQ(Read(orphan), 1);
  EXPECT_TRUE(transport().calls().empty());
  EXPECT_EQ(plc(258).linkState, kLinkFailed);
}

}  // namespace
}  // namespace zan::testing

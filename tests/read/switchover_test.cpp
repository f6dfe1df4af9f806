// The master/backup switchover, the status tag and the heartbeat tags. PLC 1 is the master, PLC 4
// its backup.
#include <gtest/gtest.h>

#include "read/read_fixture.h"

namespace zan::testing {
namespace {

using Lines = std::vector<std::string>;

class SwitchoverTest : public ReadTest {
 protected:
  void SetUp() override {
    ReadTest::SetUp();
    plc(1).backupPlc = 4;
  }
  std::string ToBackup() { return "ZanDOR: PLC 1 Changed to Backup PLC 4 now !!!"; }
  std::string ToMaster() { return "ZanDOR: PLC 1 Changed from Backup to Master !!!"; }
};

TEST_F(SwitchoverTest, WalksThePairsStateTable) {
  const struct {
    uint8_t masterLink;
    uint16_t masterAlive;
    uint8_t backupLink;
    int32_t result;
    int served;  // the PLC whose connection was read; 0: none
    uint8_t masterActive, backupActive;
    Lines log;
  } steps[] = {
      {0, 1, 0, 0, 1, 1, 0, {}},            // initial: the master serves
      {2, 1, 0, 0, 4, 0, 1, {ToBackup()}},  // the master fails
      {2, 1, 0, 0, 4, 0, 1, {}},            // the backup goes on serving
      {0, 1, 0, 0, 1, 1, 0, {ToMaster()}},  // the master is back
      {0, 0, 1, 0, 4, 0, 1, {ToBackup()}},  // heartbeat stopped; never-tried backup is fine
      {2, 1, 2, 2, 0, 0, 1, {}},            // both fail: nothing changes
      {0, 1, 2, 0, 1, 1, 0, {ToMaster()}},  // back to the master
      {2, 1, 2, 2, 0, 1, 0, {}},            // both fail after the master served
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(&s - steps);
    plc(1).linkState = s.masterLink;
    plc(1).watchdogAlive = s.masterAlive;
    plc(4).linkState = s.backupLink;
    TagItem item = Tag("01DW0100020");
    transport().ReadData({0x12, 0x34});
    EXPECT_EQ(Read(item), s.result);
    if (s.served == 0) {
      EXPECT_TRUE(transport().calls().empty());
      EXPECT_EQ(plc(1).linkState, s.masterLink);
      EXPECT_EQ(plc(4).linkState, s.backupLink);
    } else {
      EXPECT_EQ(transport().CallsOf(Op::kSendRead).at(0).handle, s.served + 4u);
      EXPECT_EQ(item.plc, s.served) << "the item keeps the PLC that served it";
    }
    EXPECT_EQ(plc(1).active, s.masterActive);
    EXPECT_EQ(plc(4).active, s.backupActive);
    EXPECT_EQ(log(), s.log);
  }
}

TEST_F(SwitchoverTest, FailureOfOneMemberIsReportedAsRefused) {
  transport().Script(Op::kSendRead, {9});
  TagItem item = Tag("01DW0100020");
  EXPECT_EQ(Read(item), 1);
  EXPECT_EQ(plc(1).linkState, kLinkFailed);

  plc(1).linkState = kLinkConnected;
  plc(4).linkState = kLinkFailed;
  transport().Script(Op::kSendRead, {9});
  item = Tag("01DW0100020");
  EXPECT_EQ(Read(item), 2);

  plc(3).backupPlc = 0;  // a PLC without backup reports its failure as it is
  transport().Script(Op::kSendRead, {9});
  item = Tag("03DW0100020");
  EXPECT_EQ(Read(item), 2);
}

TEST_F(ReadTest, StatusTagReportsTheMonitoredPlc) {
  const struct {
    uint8_t link;
    uint16_t alive;
    uint8_t active;
    uint8_t status;
  } cases[] = {
      {1, 1, 1, 4}, {2, 1, 1, 4}, {0, 0, 1, 2}, {0, 1, 1, 1}, {0, 1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    plc(1).linkState = c.link;
    plc(1).watchdogAlive = c.alive;
    plc(1).active = c.active;
    values.fill(kUnwritten);
    plc(256).linkState = kLinkFailed;
    TagItem item = Tag("!01");
    EXPECT_EQ(Read(item), 0);
    EXPECT_EQ(Values(3), (Bytes{c.status, 0, kUnwritten}));
    EXPECT_EQ(Read(item, kCommandReadValue), 0);
    EXPECT_EQ(Values(5), (Bytes{c.status, 0, c.status, 0, kUnwritten}));
    EXPECT_TRUE(transport().calls().empty());
    EXPECT_EQ(plc(256).linkState, kLinkConnected) << "the result lands in row 256";
    EXPECT_EQ(plc(1).linkState, c.link);
  }
}

TEST_F(SwitchoverTest, HeartbeatsWatchTheWordAndReconnect) {
  struct Step {
    const char* text;
    int watched;
    uint8_t link;  // of the watched PLC before the read
    Bytes word;    // the word the PLC answers
    int sendAnswer;
    int32_t result;
    int reads, opens;
    uint16_t alive, value;
    uint8_t linkAfter;
  };
  const Step steps[] = {
      {"01D10100100", 1, 0, {0, 5}, 0, 0, 1, 0, 1, 5, 0},
      {"01D10100100", 1, 0, {0, 6}, 0, 0, 1, 0, 1, 6, 0},
      {"01D10100100", 1, 0, {0, 6}, 0, 0, 1, 0, 0, 6, 0},       // unchanged: stopped
      {"01D10100100", 1, 0, {0, 7}, 9, 1, 1, 0, 0, 6, 2},       // read fails: dead
      {"01D10100100", 1, 2, {0, 8}, 0, 0, 0, 1, 1, 0xEEEE, 0},  // reconnect only
      {"01D20100100", 4, 0, {0, 9}, 0, 0, 1, 0, 1, 9, 0},
      {"01D20100100", 4, 1, {0, 9}, 0, 0, 0, 0, 1, 0xEEEE, 1},  // never tried: not read
      {"01D20100100", 4, 1, {0, 9}, 0, 0, 0, 0, 0, 0xEEEE, 1},
      {"01D20100100", 4, 2, {1, 0}, 0, 0, 1, 1, 1, 0x0100, 0},  // reconnect, then read
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(&s - steps);
    plc(s.watched).linkState = s.link;
    values.fill(kUnwritten);
    TagItem item = Tag(s.text);
    transport().ReadData(s.word);
    transport().Script(Op::kSendRead, {s.sendAnswer});
    EXPECT_EQ(Read(item), s.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), s.reads);
    EXPECT_EQ(transport().Count(Op::kOpenS7), s.opens);
    EXPECT_EQ(plc(s.watched).watchdogAlive, s.alive);
    EXPECT_EQ(plc(s.watched).watchdogValue, s.value);
    EXPECT_EQ(plc(s.watched).linkState, s.linkAfter);
    EXPECT_EQ(item.plc, 256 + 1);
    EXPECT_EQ(plc(257).linkState, s.result);
  }

  plc(2).backupPlc = 0;
  plc(258).linkState = kLinkFailed;
  TagItem orphan = Tag("02D20100100");
  EXPECT_EQ(Read(orphan), 1);
  EXPECT_TRUE(transport().calls().empty());
  EXPECT_EQ(plc(258).linkState, kLinkFailed) << "nothing recorded";
}

}  // namespace
}  // namespace zan::testing

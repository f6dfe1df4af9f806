// The block cache filled from a real PLC and serving covered reads, and a master/backup pair whose
// master goes away and comes back: reads move to the backup and return through the heartbeat
// tags and the warm start.
#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

class CacheAndSwitchoverTest : public SimulatorTest {
 protected:
  long Requests(int plc) {
    return StatusField(simulator().Command("status " + std::to_string(plc)), "requests");
  }
};

TEST_F(CacheAndSwitchoverTest, CacheBlockServesCoveredReadsUntilItsTagIsReadAgain) {
  StartSimulator({"1:s7:db=10x300"});
  ASSERT_EQ(Init("COMM_TRACE=YES\n" + S7Line(1)), 0);
  HostTag block, covered, outside;
  Define(block, "01TB01001000100", kHostWord, 77);  // bytes 100 to 199 of DB 10
  Define(covered, "01DW0100120", kHostWord, 5);
  Define(outside, "01DW0100199", kHostWord, 6);  // bytes 199 and 200: not wholly inside
  ASSERT_TRUE(simulator().Set(1, "db10", 120, {0x11, 0x11}));
  ASSERT_TRUE(simulator().Set(1, "db10", 199, {0x99, 0x99}));

  EXPECT_EQ(Read(covered).first, 1) << "a block without valid data answers no covered read";
  EXPECT_EQ(Read(block), std::make_pair(0, uint16_t{0}));
  EXPECT_TRUE(DriverSession::Logged(
      "ZanDOR: COMM_TRACE: Read Tag with id 77 and address 01TB01001000100 from PLC, Len=100"));

  ASSERT_TRUE(simulator().Set(1, "db10", 120, {0x22, 0x22}));
  const long requests = Requests(1);
  EXPECT_EQ(Read(covered), std::make_pair(0, uint16_t{0x1111})) << "served from the block";
  EXPECT_EQ(Requests(1), requests) << "a covered read never reaches the PLC";
  EXPECT_TRUE(DriverSession::Logged(
      "ZanDOR: COMM_TRACE: Read Tag with id 5 and address 01DW0100120 from Cache, Len=2"));
  EXPECT_EQ(Read(outside), std::make_pair(0, uint16_t{0x9999}));
  EXPECT_EQ(Requests(1), requests + 1);

  // A write goes to the PLC and into the block.
  covered.values[0] = 0x33;
  covered.values[1] = 0x33;
  EXPECT_EQ(driver().Send(kCommandWriteBlock, covered), 0);
  EXPECT_EQ(simulator().Get(1, "db10", 120, 2), (std::vector<uint8_t>{0x33, 0x33}));
  EXPECT_EQ(Read(covered), std::make_pair(0, uint16_t{0x3333}));

  ASSERT_TRUE(simulator().Set(1, "db10", 120, {0x44, 0x44}));
  EXPECT_EQ(Read(block).first, 0);
  EXPECT_EQ(Read(covered), std::make_pair(0, uint16_t{0x4444})) << "the block was fetched anew";
}

TEST_F(CacheAndSwitchoverTest, ReadsMoveToTheBackupAndBackToTheMaster) {
  StartSimulator({"3:s7:db=10x100:heartbeat=db10.dbw0", "4:s7:db=10x100:heartbeat=db10.dbw0"});
  ASSERT_EQ(Init(S7Line(3) + S7Line(4) + "BACKUP_3=4\n"), 0);
  HostTag data, masterBeat, backupBeat, status;
  Define(data, "03DW0100020");
  Define(masterBeat, "03D10100000");
  Define(backupBeat, "03D20100000");
  Define(status, "!03");
  ASSERT_TRUE(simulator().Set(3, "db10", 20, {0x33, 0x33}));
  ASSERT_TRUE(simulator().Set(4, "db10", 20, {0x44, 0x44}));
  const std::string toBackup = "ZanDOR: PLC 3 Changed to Backup PLC 4 now !!!";
  const std::string toMaster = "ZanDOR: PLC 3 Changed from Backup to Master !!!";

  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x3333}));
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(backupBeat).first, 0);
  EXPECT_EQ(Read(status), std::make_pair(0, uint16_t{1})) << "the master serves";

  // The master goes down: the read that meets it reports 1, the next one is the backup's.
  ASSERT_EQ(simulator().Command("stop 3").rfind("ok", 0), 0u);
  EXPECT_EQ(Read(data).first, 1);
  EXPECT_EQ(Read(status), std::make_pair(0, uint16_t{4}));
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x4444}));
  EXPECT_EQ(LoggedCount(toBackup), 1);

  // It comes back: its heartbeat tag reconnects it, the next one sees the word move.
  ASSERT_EQ(simulator().Command("start 3").rfind("ok", 0), 0u);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(LoggedCount("ZanDOR: Connection to Plc #3 Success !!!"), 2);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x3333}));
  EXPECT_EQ(LoggedCount(toMaster), 1);

  // A heartbeat that stops moving sends the reads to the backup as well, and back when it runs.
  ASSERT_EQ(simulator().Command("heartbeat 3 freeze").rfind("ok", 0), 0u);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(status), std::make_pair(0, uint16_t{2}));
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x4444}));
  ASSERT_EQ(simulator().Command("heartbeat 3 run").rfind("ok", 0), 0u);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x3333}));
  EXPECT_EQ(LoggedCount(toBackup), 2);
  EXPECT_EQ(LoggedCount(toMaster), 2);

  // The warm start restarts the master's connection under its handle; the reads stay with the
  // backup until the master's heartbeat tag has seen it alive.
  ASSERT_EQ(simulator().Command("stop 3").rfind("ok", 0), 0u);
  EXPECT_EQ(Read(data).first, 1);
  ASSERT_EQ(simulator().Command("start 3").rfind("ok", 0), 0u);
  int32_t plc = 3;
  EXPECT_EQ(driver().WarmStart(&plc), 0);
  EXPECT_EQ(plc, 3);
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Reconnect Success, Plc #3 !!! "));
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Warm start return 0"));
  EXPECT_EQ(SettledStatus(3, "established", 1), 1);
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x4444}));
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(masterBeat).first, 0);
  EXPECT_EQ(Read(data), std::make_pair(0, uint16_t{0x3333}));
  EXPECT_EQ(SettledStatus(3, "connections", 1), 1) << "the replaced connection was closed";
  EXPECT_EQ(SettledStatus(4, "connections", 1), 1);
}

}  // namespace
}  // namespace zan::e2e

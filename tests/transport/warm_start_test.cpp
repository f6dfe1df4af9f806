// The warm start (command 2) and the close of the transport (command 11).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {
namespace {

using Lines = std::vector<std::string>;

class WarmStartTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 6;  // a wait polls at 0, 2 and 4 ms
  }

  void ConfigureS7(int number, uint16_t handle, uint8_t linkState = kLinkConnected) {
    std::snprintf(plc(number).ipAddress, kIpAddressBytes, "10.0.0.%d", number);
    plc(number).readConnection = handle;
    plc(number).linkState = linkState;
  }

  void ConfigureS5(int number, uint16_t read, uint16_t write, uint8_t linkState = kLinkConnected) {
    ConfigureS7(number, read, linkState);
    plc(number).type = kPlcTypeS5;
    plc(number).writeConnection = write;
  }

  void ClaimCacheBlock(int slot, int32_t tagId, uint16_t plcNumber, int32_t valid) {
    state().cache[slot].tagId = tagId;
    state().cache[slot].plcNumber = plcNumber;
    state().cache[slot].valid = valid;
  }

  int32_t WarmStartOf(int32_t& plcNumber) {
    ClearLog();
    transport().ClearCalls();
    return Send(kCommandWarmStart, &plcNumber);
  }
};

TEST_F(WarmStartTest, PlcNumberOutsideTheTableIsRefusedUntouched) {
  for (int32_t number : {-1, 512, 513, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(number);
    int32_t argument = number;
    EXPECT_EQ(WarmStartOf(argument), 1);
    EXPECT_EQ(argument, number);
    EXPECT_TRUE(transport().calls().empty());
    EXPECT_TRUE(log().empty());
  }
  EXPECT_EQ(Send(kCommandWarmStart, nullptr), 1);
}

TEST_F(WarmStartTest, RestartsAConnectedS7AndRevalidatesItsFetchedBlocks) {
  ConfigureS7(1, 5);
  ConfigureS7(2, 6);
  ClaimCacheBlock(0, 100, 1, 0);                   // fetched once, then a read failed
  ClaimCacheBlock(1, 101, 2, 0);                   // another PLC's block
  ClaimCacheBlock(2, 102, 1, kCacheNeverFetched);  // claimed, never fetched: nothing to serve
  ClaimCacheBlock(3, kCacheSlotFree, 1, 0);        // a free slot belongs to no tag

  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 0);

  EXPECT_EQ(transport().Journal(), (Lines{"125 h=5", "124 h=5"}));
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: Reconnect Success, Plc #1 !!! ", "ZanDOR: Warm start return 0"}));
  EXPECT_EQ(argument, 1);
  EXPECT_EQ(state().cache[0].valid, 1);
  EXPECT_EQ(state().cache[1].valid, 0);
  EXPECT_EQ(state().cache[2].valid, kCacheNeverFetched);
  EXPECT_EQ(state().cache[3].valid, 0);
  EXPECT_EQ(plc(1).linkState, kLinkConnected) << "a restart does not change linkState";
}

TEST_F(WarmStartTest, RestartThatTheTransportRefusesStillWaits) {
  ConfigureS7(1, 5, kLinkFailed);
  ClaimCacheBlock(0, 100, 1, 0);
  transport().Script(Op::kRestartConnection, {0, 0x10001});
  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 0);
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: S5RestartConnection Failed, Plc #1, rc = 0",
                   "ZanDOR: Reconnect Success, Plc #1 !!! ", "ZanDOR: Warm start return 0"}));

  // Only the low 16 bits count: 0x10001 is a restart. Never established: result 1.
  transport().Fallback(Op::kConnectionState, 6);
  state().cache[0].valid = 0;
  EXPECT_EQ(WarmStartOf(argument), 1);
  EXPECT_EQ(transport().Journal(), (Lines{"125 h=5", "124 h=5", "124 h=5", "124 h=5"}));
  EXPECT_EQ(sleeps(), (std::vector<uint32_t>{2, 2, 2}));
  EXPECT_EQ(log(), Lines{"ZanDOR: Warm start return 1"});
  EXPECT_EQ(state().cache[0].valid, 0) << "nothing restarted, nothing served again";

  // A connection that the transport reports failed (a PLC that rejects the connection request,
  // or a handle that no connection has) ends the wait at once.
  for (const int failed : {9, 0x20002}) {
    SCOPED_TRACE(failed);
    transport().Fallback(Op::kConnectionState, failed);
    const std::size_t sleepsBefore = sleeps().size();
    EXPECT_EQ(WarmStartOf(argument), 1);
    EXPECT_EQ(transport().Journal(), (Lines{"125 h=5", "124 h=5"}));
    EXPECT_EQ(sleeps().size(), sleepsBefore);
    EXPECT_EQ(log(), Lines{"ZanDOR: Warm start return 1"});
  }
}

TEST_F(WarmStartTest, S5RestartsReadAndWriteConnections) {
  ConfigureS7(3, 21);
  plc(3).type = kPlcTypeS5;
  plc(3).writeConnection = 22;
  transport().Script(Op::kConnectionState, {0, 4, 4, 4});
  int32_t argument = 3;
  EXPECT_EQ(WarmStartOf(argument), 0);
  EXPECT_EQ(transport().Journal(),
            (Lines{"125 h=21", "125 h=22", "124 h=21", "124 h=22", "124 h=22", "124 h=22"}));
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: Reconnect Read Success, Plc #3 !!! ", "ZanDOR: Warm start return 0"}));
}

TEST_F(WarmStartTest, UnconnectedPlcWithoutBackupIsConnectedFirst) {
  ConfigureS7(1, 0, kLinkFailed);
  transport().ScriptOpen(Op::kOpenS7, 0, 8, 0);
  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 0);
  // The connection that has just come up is not restarted again.
  EXPECT_EQ(transport().Journal(), (Lines{"225 h=0", "124 h=8"}));
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: Connection to Plc #1 Success !!!",
                   "ZanDOR: Reconnect Success, Plc #1 !!! ", "ZanDOR: Warm start return 0"}));
  EXPECT_EQ(plc(1).linkState, kLinkConnected);
}

TEST_F(WarmStartTest, FailedConnectWithoutBackupReturnsAtOnce) {
  ConfigureS7(1, 0);
  transport().ScriptOpen(Op::kOpenS7, 2, 0, 0);
  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 1);
  EXPECT_EQ(log(), (Lines{"ZanDOR: Strat Connection Failed Plc #1 (2,0)",
                          "ZanDOR: PlcConnect Failed, Plc #1, rc = 0"}));
  EXPECT_EQ(transport().Count(Op::kRestartConnection), 0);
  EXPECT_EQ(plc(1).linkState, kLinkFailed);
}

TEST_F(WarmStartTest, FailedBackupSwitchesTheArgumentToTheBackup) {
  ConfigureS7(1, 5);
  ConfigureS7(2, 6, kLinkFailed);
  plc(1).backupPlc = 2;
  ClaimCacheBlock(0, 100, 1, 0);
  ClaimCacheBlock(1, 101, 2, 0);
  transport().ScriptState(5, {}, 7);  // the master does not come back

  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 0);
  EXPECT_EQ(argument, 2);
  EXPECT_EQ(transport().Journal(),
            (Lines{"125 h=5", "125 h=6", "124 h=5", "124 h=6", "124 h=5", "124 h=5"}));
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: Reconnect Success, Plc #2 !!! ", "ZanDOR: Warm start return 0"}));
  // The blocks served again are those of the PLC now in the argument: the backup's.
  EXPECT_EQ(state().cache[0].valid, 0);
  EXPECT_EQ(state().cache[1].valid, 1);
}

TEST_F(WarmStartTest, BackupThatCannotConnectIsNamedInItsLogLine) {
  ConfigureS7(1, 5);
  ConfigureS7(4, 0);
  plc(1).backupPlc = 4;
  transport().ScriptOpen(Op::kOpenS7, 1, 0, 0);
  // The failed backup is then restarted on its handle 0, which the transport refuses.
  transport().Script(Op::kRestartConnection, {1, 0});
  transport().Script(Op::kConnectionState, {0, 9, 9, 9});
  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 0);
  EXPECT_EQ(
      log(),
      (Lines{"ZanDOR: Strat Connection Failed Plc #4 (1,0)",
             "ZanDOR: PlcConnect Failed, Plc #4, rc = 0", "ZanDOR: Reconnect Success, Plc #1 !!! ",
             "ZanDOR: S5RestartConnection Failed, Plc #4, rc = 0", "ZanDOR: Warm start return 0"}));
  EXPECT_EQ(argument, 4);
}

TEST_F(WarmStartTest, MasterThatCannotConnectGoesOnWhenItHasABackup) {
  ConfigureS7(1, 0);
  ConfigureS7(2, 6);
  plc(1).backupPlc = 2;
  transport().ScriptOpen(Op::kOpenS7, 1, 0, 0);
  transport().Script(Op::kConnectionState, {5, 5, 5});
  int32_t argument = 1;
  EXPECT_EQ(WarmStartOf(argument), 1);
  EXPECT_EQ(argument, 1) << "the backup is connected: not switched";
  EXPECT_EQ(log(),
            (Lines{"ZanDOR: Strat Connection Failed Plc #1 (1,0)",
                   "ZanDOR: PlcConnect Failed, Plc #1, rc = 0", "ZanDOR: Warm start return 1"}));
}

// Every connection that the warm start needs, of the PLC and of its backup, is opened or restarted
// before any is waited for, and all are waited for together: one time-out in all, where each was
// waited for in turn before (up to four time-outs for two S5 pairs). The lines, the result and the
// argument are those of the steps one after the other.
TEST_F(WarmStartTest, ConnectionsOfThePlcAndItsBackupCostOneTimeOutTogether) {
  struct Case {
    const char* name;
    std::function<void()> setUp;
    int32_t plc;
    int32_t result;
    int32_t argument;  // as it comes back
    Lines log;
    Lines journalStart;  // the opens and restarts, before the first state poll
  };
  const Case cases[] = {
      {"two S5 pairs that stay down",
       [this] {
         ConfigureS5(3, 21, 22);
         ConfigureS5(4, 31, 32, kLinkFailed);
         plc(3).backupPlc = 4;
         transport().Fallback(Op::kConnectionState, 3);
       },
       3,
       1,
       4,
       {"ZanDOR: Warm start return 1"},
       {"125 h=21", "125 h=22", "125 h=31", "125 h=32"}},
      // A connection that was never made is opened; its restart afterwards names no connection.
      {"two S7 never connected that do not answer",
       [this] {
         ConfigureS7(1, 0);
         ConfigureS7(2, 0);
         plc(1).backupPlc = 2;
         transport().ScriptOpen(Op::kOpenS7, 0, 8, 0);
         transport().ScriptOpen(Op::kOpenS7, 0, 9, 0);
         transport().Fallback(Op::kConnectionState, 3);
         transport().Fallback(Op::kRestartConnection, 2);  // no connection has handle 0
       },
       1,
       1,
       2,
       {"ZanDOR: Connection to Plc #2 Failed !!!", "ZanDOR: PlcConnect Failed, Plc #2, rc = 0",
        "ZanDOR: Connection to Plc #1 Failed !!!", "ZanDOR: PlcConnect Failed, Plc #1, rc = 0",
        "ZanDOR: S5RestartConnection Failed, Plc #1, rc = 2",
        "ZanDOR: S5RestartConnection Failed, Plc #2, rc = 2", "ZanDOR: Warm start return 1"},
       {"225 h=0", "225 h=0"}},
      {"an S5 whose write connection stays down, a backup that connects",
       [this] {
         ConfigureS5(3, 21, 22, kLinkFailed);
         ConfigureS7(1, 0);
         plc(3).backupPlc = 1;
         transport().ScriptOpen(Op::kOpenS7, 0, 7, 3);
         transport().ScriptState(7, {3, 3}, 0);
         transport().ScriptState(21, {3, 3, 3}, 0);
         transport().ScriptState(22, {}, 3);
       },
       3,
       0,
       3,
       {"ZanDOR: Connection to Plc #1 Success !!!", "ZanDOR: Reconnect Read Success, Plc #3 !!! ",
        "ZanDOR: Warm start return 0"},
       {"225 h=0", "125 h=21", "125 h=22"}},
      {"an S7 that connects, an S5 backup of which one connection comes back",
       [this] {
         ConfigureS7(1, 0);
         ConfigureS5(5, 51, 52, kLinkFailed);
         plc(1).backupPlc = 5;
         transport().ScriptOpen(Op::kOpenS7, 0, 17, 0);
         transport().ScriptState(51, {}, 3);
         transport().ScriptState(52, {3, 3, 3, 3, 3}, 0);
       },
       1,
       0,
       5,
       {"ZanDOR: Connection to Plc #1 Success !!!", "ZanDOR: Reconnect Success, Plc #1 !!! ",
        "ZanDOR: Reconnect Write Success, Plc #5 !!! ", "ZanDOR: Warm start return 0"},
       {"225 h=0", "125 h=51", "125 h=52"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetDriverState(state());
    state().timeout = 100;
    transport().Fallback(Op::kConnectionState, 0);
    transport().Fallback(Op::kRestartConnection, 1);
    c.setUp();
    ClaimCacheBlock(0, 100, static_cast<uint16_t>(c.argument), 0);
    int32_t argument = c.plc;
    const uint64_t start = now();
    EXPECT_EQ(WarmStartOf(argument), c.result);
    EXPECT_EQ(now() - start, 100u) << "one time-out for all";
    EXPECT_EQ(argument, c.argument);
    EXPECT_EQ(log(), c.log);
    const Lines journal = transport().Journal();
    ASSERT_GE(journal.size(), c.journalStart.size());
    EXPECT_EQ(Lines(journal.begin(), journal.begin() + c.journalStart.size()), c.journalStart);
    EXPECT_EQ(state().cache[0].valid, c.result == 0 ? 1 : 0);
  }
}

TEST_F(WarmStartTest, CloseTransportClosesTheLibraryAndAlwaysSucceeds) {
  struct Case {
    int result;
    bool logged;
  };
  for (const Case& c : {Case{0, false}, Case{0x10000, false}, Case{3, true}, Case{-1, true}}) {
    SCOPED_TRACE(c.result);
    ClearLog();
    transport().ClearCalls();
    transport().Script(Op::kCloseLibrary, {c.result});
    EXPECT_EQ(Send(kCommandCloseTransport, nullptr), 0);
    EXPECT_EQ(transport().Journal(), Lines{"253"});
    EXPECT_EQ(log(), c.logged ? Lines{"ZanDOR: Fail to close driver !"} : Lines{});
  }
}

}  // namespace
}  // namespace zan::testing

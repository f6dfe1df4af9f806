// Connecting the PLCs at Init: the connection request block, the S7 connection, the S5 pair, the
// waits, and what each failure leaves behind.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/host_fixture.h"
#include "transport/connections.h"

namespace zan::testing {
namespace {

using Lines = std::vector<std::string>;

// `first`, then `line` `count` times, then `last`: the journal of a wait.
Lines Journal(Lines first, const std::string& line, int count, const Lines& last) {
  first.insert(first.end(), static_cast<std::size_t>(count), line);
  first.insert(first.end(), last.begin(), last.end());
  return first;
}

class ConnectionsTest : public HostFixture {
 protected:
  // Inits from `file` and returns what was logged after the configuration rows.
  int32_t InitWith(const std::string& file, int32_t timeoutSetting = 10) {
    WriteConfiguration(file);
    ClearLog();
    int32_t result = Init(timeoutSetting);
    connectionLog_.clear();
    for (const std::string& line : log()) {
      if (line.rfind("ZanDOR: PLC #", 0) != 0 && line.rfind("ZanDOR: ===", 0) != 0 &&
          line.rfind("ZanDOR: Siemens", 0) != 0) {
        connectionLog_.push_back(line);
      }
    }
    return result;
  }
  const Lines& connectionLog() const { return connectionLog_; }

 private:
  Lines connectionLog_;
};

TEST_F(ConnectionsTest, EmptyTableOpensTheTransportAndConnectsNothing) {
  EXPECT_EQ(InitWith("// no PLCs\n"), 0);
  EXPECT_EQ(transport().Journal(), Lines{"252"});
  EXPECT_TRUE(connectionLog().empty());
}

TEST_F(ConnectionsTest, OnlyTheLow16BitsOfTheOpenLibraryResultCount) {
  transport().Script(Op::kOpenLibrary, {0x10000});
  EXPECT_EQ(InitWith("1=7,10.0.0.1\n"), 0);
  EXPECT_EQ(connectionLog(), Lines{"ZanDOR: Connection to Plc #1 Success !!!"});
}

TEST_F(ConnectionsTest, TransportThatDoesNotOpenIsLoggedAndInitStillSucceeds) {
  struct Case {
    int result;
    const char* line;
  };
  const Case cases[] = {
      {5, "ZanDOR: Fail to open Ip Driver (5)"},
      {-3, "ZanDOR: Fail to open Ip Driver (-3)"},
      {0x1FFFF, "ZanDOR: Fail to open Ip Driver (-1)"},  // only the low 16 bits count
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    transport().ClearCalls();
    transport().Script(Op::kOpenLibrary, {c.result});
    EXPECT_EQ(InitWith("1=7,10.0.0.1\n"), 0);
    EXPECT_EQ(connectionLog(), Lines{c.line});
    EXPECT_EQ(transport().Journal(), Lines{"252"});
    EXPECT_EQ(plc(1).linkState, kLinkUntriedOrRefused);
  }
}

TEST_F(ConnectionsTest, S7ConnectionRequestBlock) {
  transport().ScriptOpen(Op::kOpenS7, 0, 7, 0);
  ASSERT_EQ(InitWith("1=7,192.168.0.10,0C\n", 10000), 0);  // timeout 100000 ms

  ASSERT_EQ(transport().Count(Op::kOpenS7), 1);
  const TransportCall open = transport().CallsOf(Op::kOpenS7)[0];
  EXPECT_EQ(open.handle, 0u) << "the second argument is 0";
  // The block is packed: its fields are read as values (+), never bound to references.
  const ConnectRequest& block = open.block;
  EXPECT_EQ(+block.length, 86);
  EXPECT_EQ(+block.parameterOffset, 54);
  EXPECT_EQ(+block.ipAddress, 0xC0A8000Au);
  EXPECT_EQ(+block.port, 102);
  EXPECT_EQ(+block.constant56, 2);
  EXPECT_EQ(+block.constant57, 4);
  EXPECT_EQ(+block.constant58, 1045);
  EXPECT_EQ(+block.timeout, 65535) << "the longest the field holds, not the low 16 bits (34464)";
  EXPECT_EQ(+block.constant62, 24);
  EXPECT_EQ(+block.remoteTsapLength, 2);
  EXPECT_EQ(+block.localTsapLength, 2);
  const uint8_t remote[8] = {0x03, 0x0C};
  const uint8_t local[8] = {0x01, 0x01};
  EXPECT_EQ(std::memcmp(block.remoteTsap, remote, 8), 0);
  EXPECT_EQ(std::memcmp(block.localTsap, local, 8), 0);
  // Bytes that the block does not name are zero.
  const auto* bytes = reinterpret_cast<const uint8_t*>(&block);
  for (int i : {2, 3, 4, 5, 6, 7, 14, 30, 53, 82, 83, 84, 85})
    EXPECT_EQ(bytes[i], 0) << i;

  EXPECT_EQ(transport().Journal(), (Lines{"252", "225 h=0", "124 h=7"}));
  EXPECT_EQ(connectionLog(), Lines{"ZanDOR: Connection to Plc #1 Success !!!"});
  EXPECT_EQ(plc(1).readConnection, 7);
  EXPECT_EQ(plc(1).writeConnection, 0);
  EXPECT_EQ(plc(1).linkState, kLinkConnected);
}

TEST_F(ConnectionsTest, S7OpenAnswers) {
  struct Case {
    int result;
    uint16_t status;
    bool accepted;
    const char* refusal;
  };
  const Case cases[] = {
      {0, 0, true, nullptr},
      {0, 3, true, nullptr},        // status 3 is accepted too, and the wait follows
      {0x10000, 0, true, nullptr},  // only the low 16 bits of a result count
      {0, 1, false, "ZanDOR: Strat Connection Failed Plc #1 (0,1)"},
      {0, 0xFFFF, false, "ZanDOR: Strat Connection Failed Plc #1 (0,65535)"},
      {4, 0, false, "ZanDOR: Strat Connection Failed Plc #1 (4,0)"},
      {-1, 3, false, "ZanDOR: Strat Connection Failed Plc #1 (65535,3)"},
  };
  bool held = false;  // the connection of the case before, which Init closes first
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.result) + "/" + std::to_string(c.status));
    transport().ClearCalls();
    transport().ScriptOpen(Op::kOpenS7, c.result, 0xFFF1, c.status);
    ASSERT_EQ(InitWith("1=7,10.0.0.1\n"), 0);
    const Lines journal = transport().Journal();
    EXPECT_EQ(held, !journal.empty() && journal.front() == "101 h=65521");
    held = c.accepted;
    if (c.accepted) {
      EXPECT_EQ(Lines(journal.end() - 3, journal.end()), (Lines{"252", "225 h=0", "124 h=65521"}));
      EXPECT_EQ(plc(1).readConnection, 0xFFF1);
      EXPECT_EQ(plc(1).linkState, kLinkConnected);
    } else {
      // The handle that the block returned is closed; nothing is stored.
      EXPECT_EQ(Lines(journal.end() - 3, journal.end()), (Lines{"252", "225 h=0", "101 h=65521"}));
      EXPECT_EQ(connectionLog(), Lines{c.refusal});
      EXPECT_EQ(plc(1).readConnection, 0);
      EXPECT_EQ(plc(1).linkState, kLinkFailed);
    }
  }
}

TEST_F(ConnectionsTest, WaitEndsAtTheDeadlineWhateverASleepLasts) {
  struct Case {
    int32_t timeoutSetting;
    uint32_t tick;  // what the shortest sleep lasts; 0: as asked
    int polls;      // each followed by a sleep of 2 ms; the last before the deadline
    uint64_t waited;
  };
  // 15000: a time-out of 150 s, more polls than a 16-bit count holds.
  for (const Case& c :
       {Case{9, 0, 500, 1000}, Case{10, 0, 50, 100}, Case{25, 0, 125, 250}, Case{10, 16, 7, 112},
        Case{9, 16, 63, 1008}, Case{15000, 0, 75000, 150000}}) {
    SCOPED_TRACE(std::to_string(c.timeoutSetting) + " tick " + std::to_string(c.tick));
    transport().ClearCalls();
    transport().Fallback(Op::kConnectionState, 1);
    SleepTick(c.tick);
    const std::size_t sleepsBefore = sleeps().size();
    const uint64_t start = now();
    ASSERT_EQ(InitWith("1=7,10.0.0.1\n", c.timeoutSetting), 0);

    EXPECT_EQ(transport().Count(Op::kConnectionState), c.polls);
    EXPECT_EQ(now() - start, c.waited);
    const std::vector<uint32_t> waited(sleeps().begin() + sleepsBefore, sleeps().end());
    EXPECT_EQ(waited, std::vector<uint32_t>(c.polls, 2));
    EXPECT_EQ(connectionLog(), Lines{"ZanDOR: Connection to Plc #1 Failed !!!"});
    EXPECT_EQ(transport().CallsOf(Op::kCloseConnection).size(), 1u);
    EXPECT_EQ(plc(1).readConnection, 0);
    EXPECT_EQ(plc(1).linkState, kLinkFailed);
  }
}

// A round of polls of many PLCs may outlast the time-out (each poll that finds nothing waits up to
// a millisecond in the transport): every connection is still asked three times, enough for an S7
// to get through TCP, its connection request and setup.
TEST_F(ConnectionsTest, ConnectionIsAskedThreeTimesHoweverLongAPause) {
  SleepTick(2000);
  transport().Script(Op::kConnectionState, {3, 3});
  ASSERT_EQ(InitWith("1=7,10.0.0.1\n"), 0);
  EXPECT_EQ(transport().Count(Op::kConnectionState), 3);
  EXPECT_EQ(sleeps(), std::vector<uint32_t>{2});
  EXPECT_EQ(plc(1).linkState, kLinkConnected);
}

TEST_F(ConnectionsTest, WaitEndsAtTheFirstEstablishedAnswer) {
  transport().Script(Op::kConnectionState, {6, 0x10001, 0x30000});
  ASSERT_EQ(InitWith("1=7,10.0.0.1\n"), 0);
  EXPECT_EQ(transport().Count(Op::kConnectionState), 3);
  EXPECT_EQ(sleeps(), (std::vector<uint32_t>{2, 2}));
  EXPECT_EQ(plc(1).linkState, kLinkConnected);
}

TEST_F(ConnectionsTest, S5PairConnectsReadThenWrite) {
  transport().ScriptOpen(Op::kOpenS5, 0, 11, 0);
  transport().ScriptOpen(Op::kOpenS5, 0, 12, 3);
  ASSERT_EQ(InitWith("3=5,10.0.0.3,LOCAL01,READ01,WRITE01\n"), 0);

  // Both connections are opened before either is waited for.
  EXPECT_EQ(transport().Journal(), (Lines{"252", "224", "224", "124 h=11", "124 h=12"}));
  const std::vector<TransportCall> opens = transport().CallsOf(Op::kOpenS5);
  for (const TransportCall& open : opens) {
    EXPECT_EQ(+open.block.remoteTsapLength, 8);
    EXPECT_EQ(+open.block.localTsapLength, 8);
    EXPECT_EQ(std::memcmp(open.block.localTsap, "LOCAL01\0", 8), 0);
    EXPECT_EQ(+open.block.ipAddress, 0x0A000003u);
  }
  EXPECT_EQ(std::memcmp(opens[0].block.remoteTsap, "READ01\0\0", 8), 0);
  EXPECT_EQ(std::memcmp(opens[1].block.remoteTsap, "WRITE01\0", 8), 0);
  EXPECT_EQ(+opens[1].block.handle, 0) << "the outputs of the read open are cleared";

  EXPECT_EQ(connectionLog(), (Lines{"ZanDOR: Read Connection Success, Plc #3 !!! ",
                                    "ZanDOR: Write Connection Success, Plc #3 !!! "}));
  EXPECT_EQ(plc(3).readConnection, 11);
  EXPECT_EQ(plc(3).writeConnection, 12);
  EXPECT_EQ(plc(3).linkState, kLinkConnected);
}

// A reconnect over recorded handles (the heartbeat of a failed PLC) must not leave the old
// connections open in the transport: each would hold one of the PLC's few connection slots.
TEST_F(ConnectionsTest, ReconnectClosesOnlyTheHandlesItReplaces) {
  ASSERT_EQ(InitWith("1=7,10.0.0.1,2\n3=5,10.0.0.3,LOCAL01,READ01,WRITE01\n"), 0);
  ASSERT_EQ(plc(1).readConnection, 1);
  ASSERT_EQ(plc(3).readConnection, 2);
  ASSERT_EQ(plc(3).writeConnection, 3);

  transport().ClearCalls();
  ASSERT_TRUE(PlcConnect(state(), 1));
  ASSERT_TRUE(PlcConnect(state(), 3));
  EXPECT_EQ(transport().Journal(), (Lines{"225 h=0", "124 h=4", "101 h=1", "224", "224", "124 h=5",
                                          "124 h=6", "101 h=2", "101 h=3"}));

  // A reconnect that fails keeps the recorded handle for the warm start.
  transport().ClearCalls();
  transport().ScriptOpen(Op::kOpenS7, 0, 7, 9);
  EXPECT_FALSE(PlcConnect(state(), 1));
  EXPECT_EQ(plc(1).readConnection, 4);
  EXPECT_EQ(transport().Journal(), (Lines{"225 h=0", "101 h=7"}));
}

TEST_F(ConnectionsTest, S5PairFailures) {
  struct Case {
    const char* name;
    void (*script)(ScriptedTransport&);
    Lines journal;
    Lines log;
    uint16_t readConnection;
  };
  const Case cases[] = {
      {"read refused",
       [](ScriptedTransport& t) { t.ScriptOpen(Op::kOpenS5, 3, 21, 0); },
       {"252", "224", "101 h=21"},
       {"ZanDOR: Strat Read Connection Failed Plc #3 (3,0)"},
       0},
      // The write connection opened alongside a read connection that never comes up is closed
      // without a line of its own.
      {"read never up",
       [](ScriptedTransport& t) {
         t.ScriptOpen(Op::kOpenS5, 0, 21, 0);
         t.ScriptOpen(Op::kOpenS5, 0, 22, 0);
         t.ScriptState(21, {}, 7);
         t.ScriptState(22, {}, 0);
       },
       Journal({"252", "224", "224", "124 h=21", "124 h=22"}, "124 h=21", 49,
               {"101 h=21", "101 h=22"}),
       {"ZanDOR: Read Connection FAIL, Plc #3 !!! "},
       0},
      {"read rejected",
       [](ScriptedTransport& t) {
         t.ScriptOpen(Op::kOpenS5, 0, 21, 0);
         t.ScriptOpen(Op::kOpenS5, 0, 22, 0);
         t.ScriptState(21, {3}, 9);
         t.ScriptState(22, {}, 3);
       },
       {"252", "224", "224", "124 h=21", "124 h=22", "124 h=21", "101 h=21", "101 h=22"},
       {"ZanDOR: Read Connection FAIL, Plc #3 !!! "},
       0},
      // A write connection that fails after its read connection succeeded: the read handle stays
      // open and recorded, and the PLC counts as failed all the same.
      {"write refused",
       [](ScriptedTransport& t) {
         t.ScriptOpen(Op::kOpenS5, 0, 21, 0);
         t.ScriptOpen(Op::kOpenS5, 0, 22, 9);
       },
       {"252", "224", "224", "124 h=21", "101 h=22"},
       {"ZanDOR: Read Connection Success, Plc #3 !!! ",
        "ZanDOR: Strat Write Connection Failed Plc #3 (0,9)"},
       21},
      // A transport that refuses without writing the block: the read handle is not closed.
      {"write refused, block untouched",
       [](ScriptedTransport& t) {
         t.ScriptOpen(Op::kOpenS5, 0, 21, 0);
         t.ScriptOpenUntouched(Op::kOpenS5, 8);
       },
       {"252", "224", "224", "124 h=21", "101 h=0"},
       {"ZanDOR: Read Connection Success, Plc #3 !!! ",
        "ZanDOR: Strat Write Connection Failed Plc #3 (8,0)"},
       21},
      {"write never up",
       [](ScriptedTransport& t) {
         t.ScriptOpen(Op::kOpenS5, 0, 21, 0);
         t.ScriptOpen(Op::kOpenS5, 0, 22, 0);
         t.ScriptState(21, {}, 0);
         t.ScriptState(22, {}, 6);
       },
       Journal({"252", "224", "224", "124 h=21"}, "124 h=22", 50, {"101 h=22"}),
       {"ZanDOR: Read Connection Success, Plc #3 !!! ",
        "ZanDOR: Write Connection FAIL, Plc #3 !!! "},
       21},
  };
  uint16_t held = 0;  // the read connection that the case before kept, which Init closes first
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedTransport& t = transport();
    t.ClearCalls();
    t.Fallback(Op::kConnectionState, 0);
    t.ScriptState(21, {}, 0);
    t.ScriptState(22, {}, 0);
    c.script(t);
    ASSERT_EQ(InitWith("3=5,10.0.0.3\n"), 0);
    Lines journal = c.journal;
    if (held != 0) journal.insert(journal.begin(), "101 h=" + std::to_string(held));
    EXPECT_EQ(t.Journal(), journal);
    held = c.readConnection;
    EXPECT_EQ(connectionLog(), c.log);
    EXPECT_EQ(plc(3).readConnection, c.readConnection);
    EXPECT_EQ(plc(3).writeConnection, 0);
    EXPECT_EQ(plc(3).linkState, kLinkFailed);
  }
}

TEST_F(ConnectionsTest, EveryConfiguredPlcInAscendingOrderWhateverFails) {
  transport().ScriptOpen(Op::kOpenS7, 0, 1, 0);
  transport().ScriptOpen(Op::kOpenS7, 5, 0, 0);  // PLC 7 refused
  transport().ScriptOpen(Op::kOpenS7, 0, 3, 0);
  ASSERT_EQ(InitWith("9=6,10.0.0.9\n7=7,10.0.0.7\n2=7,10.0.0.2\n"), 0);

  // A type-6 PLC connects by slot, like an S7.
  EXPECT_EQ(transport().Journal(),
            (Lines{"252", "225 h=0", "225 h=0", "225 h=0", "124 h=1", "124 h=3", "101 h=0"}));
  EXPECT_EQ(connectionLog(), (Lines{"ZanDOR: Connection to Plc #2 Success !!!",
                                    "ZanDOR: Strat Connection Failed Plc #7 (5,0)",
                                    "ZanDOR: Connection to Plc #9 Success !!!"}));
  EXPECT_EQ(plc(2).linkState, kLinkConnected);
  EXPECT_EQ(plc(7).linkState, kLinkFailed);
  EXPECT_EQ(plc(9).linkState, kLinkConnected);
  EXPECT_EQ(plc(5).linkState, kLinkUntriedOrRefused);
}

// PLCs that are down cost Init one time-out in all: every connection is opened first and all are
// waited for together. The host still sees each PLC's lines in its turn, as if connected alone.
TEST_F(ConnectionsTest, PlcsThatAreDownCostOneTimeOutTogether) {
  transport().ScriptOpen(Op::kOpenS7, 0, 1, 0);
  transport().ScriptOpen(Op::kOpenS7, 0, 2, 0);
  transport().ScriptOpen(Op::kOpenS5, 0, 3, 0);
  transport().ScriptOpen(Op::kOpenS5, 0, 4, 0);
  transport().ScriptOpen(Op::kOpenS7, 0, 5, 0);
  transport().ScriptState(1, {}, 3);         // PLC 1 never answers its connection request
  transport().ScriptState(2, {3, 3}, 9);     // PLC 2 rejects it
  transport().ScriptState(3, {}, 0);         // PLC 3's read connection comes up
  transport().ScriptState(4, {3, 3, 3}, 9);  // and its write connection is rejected
  transport().ScriptState(5, {6, 6, 6, 6}, 0);
  const uint64_t start = now();
  ASSERT_EQ(InitWith("1=7,10.0.0.1\n2=7,10.0.0.2\n3=5,10.0.0.3,L,R,W\n4=7,10.0.0.4\n"), 0);
  EXPECT_EQ(now() - start, 100u) << "one time-out for all";
  EXPECT_EQ(connectionLog(), (Lines{"ZanDOR: Connection to Plc #1 Failed !!!",
                                    "ZanDOR: Connection to Plc #2 Failed !!!",
                                    "ZanDOR: Read Connection Success, Plc #3 !!! ",
                                    "ZanDOR: Write Connection FAIL, Plc #3 !!! ",
                                    "ZanDOR: Connection to Plc #4 Success !!!"}));
  const Lines journal = transport().Journal();
  EXPECT_EQ(Lines(journal.begin(), journal.begin() + 6),
            (Lines{"252", "225 h=0", "225 h=0", "224", "224", "225 h=0"}));
  EXPECT_EQ(Lines(journal.end() - 3, journal.end()), (Lines{"101 h=1", "101 h=2", "101 h=4"}));
  // The rejected connections are asked no more once the transport has said so.
  EXPECT_EQ(transport().CallsOf(Op::kConnectionState).size(), 50u + 3u + 1u + 4u + 5u);
  const uint8_t links[] = {kLinkFailed, kLinkFailed, kLinkFailed, kLinkConnected};
  for (int number = 1; number <= 4; ++number)
    EXPECT_EQ(plc(number).linkState, links[number - 1]) << number;
  EXPECT_EQ(plc(3).readConnection, 3) << "kept, as when the write connection fails alone";
  EXPECT_EQ(plc(4).readConnection, 5);
}

TEST(ConnectRequestTest, S5TsapIsCopiedAsAStringOfAtMostEightBytes) {
  ConnectRequest block{};
  std::memset(&block, 0xAA, sizeof block);
  const char unterminated[25] = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M',
                                 'N', 'O', 'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y'};
  SetS5RemoteTsap(block, unterminated);
  SetS5LocalTsap(block, "AB\0CDEF");
  EXPECT_EQ(std::memcmp(block.remoteTsap, "ABCDEFGH", 8), 0);
  EXPECT_EQ(std::memcmp(block.localTsap, "AB\0\0\0\0\0\0", 8), 0);
  EXPECT_EQ(+block.remoteTsapLength, 8);
  EXPECT_EQ(block.reserved82[0], 0xAA) << "nothing past the TSAP fields";
}

TEST_F(ConnectionsTest, InitAgainClosesOnlyWhatItOpenedForTheBlockAndTheBlockStillHolds) {
  const std::string file = "1=7,10.0.0.1\n3=5,10.0.0.3\n";
  // A block that the host never zeroed may hold handles of its own: none of them is closed.
  plc(1).readConnection = 40;
  plc(3).readConnection = 41;
  ASSERT_EQ(InitWith(file), 0);
  EXPECT_EQ(transport().Count(Op::kCloseConnection), 0);
  ASSERT_EQ(plc(1).readConnection, 1);
  ASSERT_EQ(plc(3).writeConnection, 3);

  transport().ClearCalls();
  ASSERT_EQ(InitWith(file), 0);
  Lines journal = transport().Journal();
  EXPECT_EQ(Lines(journal.begin(), journal.begin() + 4),
            (Lines{"101 h=1", "101 h=2", "101 h=3", "252"}));
  EXPECT_EQ(plc(1).readConnection, 4);

  // A reconnect closes the handle it replaces (4), which Init then does not close again; handles
  // that the block no longer holds (5 and 6, overwritten) are not closed either.
  ASSERT_TRUE(PlcConnect(state(), 1));
  ASSERT_EQ(plc(1).readConnection, 7);
  plc(3).readConnection = 40;
  plc(3).writeConnection = 0;
  transport().ClearCalls();
  ASSERT_EQ(InitWith(file), 0);
  journal = transport().Journal();
  EXPECT_EQ(Lines(journal.begin(), journal.begin() + 2), (Lines{"101 h=7", "252"}));

  // Another block's connections are its own.
  auto other = std::make_unique<DriverState>();
  ResetDriverState(*other);
  std::strcpy(other->plcs[1].ipAddress, "10.0.0.9");
  ASSERT_TRUE(PlcConnect(*other, 1));
  transport().ClearCalls();
  ASSERT_EQ(InitWith(file), 0);
  EXPECT_EQ(transport().CallsOf(Op::kCloseConnection).size(), 3u);
  for (const TransportCall& call : transport().CallsOf(Op::kCloseConnection))
    EXPECT_NE(call.handle, other->plcs[1].readConnection);

  // Closing the library closes every connection: nothing is left for the next Init to close.
  ASSERT_EQ(Send(kCommandCloseTransport, nullptr), 0);
  transport().ClearCalls();
  ASSERT_EQ(InitWith(file), 0);
  EXPECT_EQ(transport().Count(Op::kCloseConnection), 0);
}

}  // namespace
}  // namespace zan::testing

// Master/backup pairs as zanhost sees them: the heartbeat tags that a tag file lacks, the PLC
// states in the words of the driver's status value, the warm starts that stop where only a
// heartbeat tag can help, what a warm start of a pair brought back in words, and the switchover
// state carried over an Init.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/heartbeat_warnings.h"
#include "session/plc_state_words.h"
#include "session/restored_links.h"
#include "session/switchover_carry.h"
#include "session/warm_start_report.h"
#include "session/warm_start_schedule.h"
#include "tags/host_types.h"

namespace zanhost {
namespace {

// S7 PLCs 1 to 4 connected, 1 with backup 2 and 3 with backup 4, and a PLC 5 on its own.
std::unique_ptr<DriverState> TwoPairs() {
  auto state = std::make_unique<DriverState>();
  zan::ResetDriverState(*state);
  for (int plc = 1; plc <= 5; ++plc) {
    std::strcpy(state->plcs[plc].ipAddress, "127.0.0.1");
    state->plcs[plc].type = kPlcTypeS7;
    state->plcs[plc].linkState = kLinkConnected;
    state->plcs[plc].readConnection = static_cast<uint16_t>(plc);
  }
  state->plcs[1].backupPlc = 2;
  state->plcs[3].backupPlc = 4;
  return state;
}

TEST(HeartbeatWarningsTest, OneLinePerPairThatLacksAHeartbeatTagNamingTheAddressesToAdd) {
  const auto state = TwoPairs();
  const struct {
    std::vector<HeartbeatTag> found;
    std::vector<std::string> fragments;  // one a line, each a part of that line
  } cases[] = {
      {{{1, false}, {1, true}, {3, false}, {3, true}}, {}},
      {{{1, false}, {1, true}},
       {"no heartbeat tags for PLC 3 and its backup PLC 4 in tags.txt: once PLC 3 fails the pair "
        "stays on PLC 4; add \"03D1dddoooo\" for PLC 3 and \"03D2dddoooo\" for PLC 4"}},
      {{{1, true}, {3, false}, {3, true}},
       {"no heartbeat tag of PLC 1 in tags.txt: once it fails the pair stays on its backup PLC 2; "
        "add \"01D1dddoooo\" for PLC 1"}},
      {{{1, false}, {3, false}, {3, true}},
       {"no heartbeat tag of PLC 2, the backup of PLC 1, in tags.txt: once PLC 2 fails it serves "
        "again only once PLC 1 failed too and a warm start reached it; add \"01D2dddoooo\" for "
        "PLC 2"}},
      // A heartbeat tag of PLC 5, which has no backup, or of the backup's own number, is no
      // heartbeat of a pair.
      {{{5, false}, {2, false}, {4, true}}, {"PLC 1 and its backup PLC 2", "PLC 3 and its backup"}},
  };
  for (const auto& c : cases) {
    const std::vector<std::string> lines = MissingHeartbeatLines(*state, c.found, "tags.txt");
    ASSERT_EQ(lines.size(), c.fragments.size()) << (lines.empty() ? "" : lines.front());
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_NE(lines[i].find(c.fragments[i]), std::string::npos) << lines[i];
  }
  const std::vector<HeartbeatTag> masters = {{1, false}, {3, true}};
  EXPECT_TRUE(HasHeartbeatTagOf(*state, masters, 1));
  EXPECT_FALSE(HasHeartbeatTagOf(*state, masters, 2));
  EXPECT_FALSE(HasHeartbeatTagOf(*state, masters, 3));
  EXPECT_TRUE(HasHeartbeatTagOf(*state, masters, 4)) << "the backup's tag names its master";
  state->longDb = 1;
  EXPECT_NE(MissingHeartbeatLines(*state, {}, "t")[0].find("\"01D1ddddoooo\""), std::string::npos);
  state->plcs[4].ipAddress[0] = '\0';  // a backup that no line configures makes no pair
  EXPECT_EQ(MissingHeartbeatLines(*state, {}, "t").size(), 1u);
}

TEST(HeartbeatWarningsTest, AddressesAreTakenAsTheDriversParserTakesThem) {
  const auto state = TwoPairs();
  const struct {
    const char* text;
    int32_t hostType;
    bool heartbeat;
    int master;
    bool backup;
  } cases[] = {
      {"01D10100000", kHostWord, true, 1, false},
      {"01d20100000", kHostInt, true, 1, true},
      {"03X1010001A", kHostWord, true, 3, false},  // hexadecimal offset
      {"01DW0100000", kHostWord, false, 0, false},
      {"01D1010000012", kHostBit, false, 0, false},  // refused for a bit tag
      {"01D101000", kHostWord, false, 0, false},     // too short
      {"09D10100000", kHostWord, false, 0, false},   // PLC 9 not configured
      {"01S10100000", kHostWord, false, 0, false},   // area S: a string
  };
  for (const auto& c : cases) {
    HeartbeatTag tag;
    ASSERT_EQ(HeartbeatOfAddress(c.text, c.hostType, *state, tag), c.heartbeat) << c.text;
    if (!c.heartbeat) continue;
    EXPECT_EQ(tag.master, c.master) << c.text;
    EXPECT_EQ(tag.backup, c.backup) << c.text;
  }
  state->longDb = 1;
  HeartbeatTag tag;
  EXPECT_FALSE(HeartbeatOfAddress("01D10100000", kHostWord, *state, tag));
  EXPECT_TRUE(HeartbeatOfAddress("01D100100000", kHostWord, *state, tag));
}

TEST(PlcStatusWordsTest, TheWordFollowsTheStatusValueOfTheDriver) {
  const struct {
    uint8_t linkState;
    uint16_t readConnection;
    uint8_t watchdogAlive;
    uint8_t active;
    bool restored;
    int status;
    const char* word;
  } cases[] = {
      {kLinkConnected, 1, 1, 1, false, 1, "active"},
      {kLinkConnected, 1, 1, 0, false, 0, "standby"},
      {kLinkConnected, 1, 0, 1, false, 2, "heartbeat stopped"},
      {kLinkFailed, 1, 1, 1, false, 4, "link down"},
      {kLinkFailed, 1, 0, 0, true, 4, "waits for its heartbeat"},
      {kLinkUntriedOrRefused, 0, 1, 1, false, 4, "not connected"},
      {kLinkUntriedOrRefused, 1, 1, 1, false, 4, "last request refused"},
  };
  for (const auto& c : cases) {
    for (int plc : {1, 2, 5}) {  // a master, its backup, a PLC without pair
      auto state = TwoPairs();
      PlcEntry& entry = state->plcs[plc];
      entry.linkState = c.linkState;
      entry.readConnection = c.readConnection;
      entry.watchdogAlive = c.watchdogAlive;
      entry.active = c.active;
      EXPECT_EQ(PlcStatusValue(*state, plc), c.status) << c.word;
      // Only a pair member waits for its heartbeat; a PLC on its own comes back with its next read.
      const std::string word = plc == 5 && c.restored ? "link down" : c.word;
      EXPECT_EQ(PlcStateWord(*state, plc, c.restored), word) << "PLC " << plc;
    }
  }
  // Right after Init both members of a pair are active (status 1); the first request of the pair
  // goes to the master and leaves the backup on standby.
  auto state = TwoPairs();
  state->plcs[1].active = state->plcs[2].active = 1;
  EXPECT_EQ(PlcStateWord(*state, 2), "active");
  EXPECT_EQ(PlcStatusValue(*state, 2), kStatusActive);
}

TEST(RestoredLinksTest, TheDriversLinesOfAConnectionThatCameUp) {
  EXPECT_EQ(ConnectionUpIn("ZanDOR: Reconnect Success, Plc #12 !!! "), 12);
  EXPECT_EQ(ConnectionUpIn("ZanDOR: Reconnect Read Success, Plc #3 !!! "), 3);
  EXPECT_EQ(ConnectionUpIn("ZanDOR: Connection to Plc #4 Success !!!"), 4);
  EXPECT_EQ(ConnectionUpIn("ZanDOR: Connection to Plc #4 Failed !!!"), -1);
  EXPECT_EQ(ConnectionUpIn("ZanDOR: Warm start return 0"), -1);
}

// A master that drops, with a scripted warm start each 5 s: warm-started while its connection is
// down, left alone once the connection is up and the pair waits for its heartbeat, warm-started
// again at once when its heartbeat tag found it failing anew.
TEST(WarmStartRuleTest, WarmStartsStopWhileAPairMemberOnlyWaitsForItsHeartbeat) {
  auto state = TwoPairs();
  RestoredLinks links;
  WarmStartSchedule schedule(5);
  bool plcAnswers = false;  // the master PLC itself
  std::vector<double> warmStarts;
  double now = 0;
  const WarmStartFunction warmStart = [&](int32_t& plc) {
    warmStarts.push_back(now);
    // The driver restarts the connection but leaves the link state at 2.
    links.TakeLines({plcAnswers ? "ZanDOR: Reconnect Success, Plc #1 !!! "
                                : "ZanDOR: S5RestartConnection Failed, Plc #1, rc = 0"},
                    *state);
    return plcAnswers && plc == 1 ? 0 : 1;
  };
  auto round = [&](double at) {
    now = at;
    std::map<int, bool> due;
    for (int plc = 1; plc <= 5; ++plc)
      due[plc] = NeedsWarmStart(*state, plc, links.restored(plc));
    WarmStartDue(warmStart, schedule, due, now);
  };
  state->plcs[1].linkState = kLinkFailed;  // the master dropped
  round(0);
  round(1);
  round(5);
  EXPECT_EQ(warmStarts, (std::vector<double>{0, 5}));
  EXPECT_EQ(PlcStateWord(*state, 1, links.restored(1)), "link down");
  plcAnswers = true;  // back: the warm start at 10 brings its connection up
  for (double at = 6; at <= 40; ++at)
    round(at);
  EXPECT_EQ(warmStarts, (std::vector<double>{0, 5, 10}));
  EXPECT_EQ(PlcStateWord(*state, 1, links.restored(1)), "waits for its heartbeat");
  // Its heartbeat tag reconnects it and finds it failing again.
  links.TakeLines({"ZanDOR: Connection to Plc #1 Failed !!!"}, *state);
  round(41);
  EXPECT_EQ(warmStarts.back(), 41);
  EXPECT_EQ(PlcStateWord(*state, 1, links.restored(1)), "waits for its heartbeat");
  // Its heartbeat tag connected it: the driver no longer counts it failed.
  state->plcs[1].linkState = kLinkConnected;
  links.Observe(*state);
  EXPECT_FALSE(links.restored(1));
  // A PLC without pair is warm-started until its next read brings its link state back.
  state->plcs[5].linkState = kLinkFailed;
  EXPECT_TRUE(NeedsWarmStart(*state, 5, true));
}

// A warm start of master 1, whose backup 2 the driver counts failed too: it restarts both and hands
// 2 back in the argument, whatever came up. A restart that the transport accepted and that never
// came up logs nothing, so only the argument tells that the backup was tried.
TEST(WarmStartReportTest, SaysWhichPlcOfThePairCameBackAndWhichIsStillDown) {
  const std::string up1 = "ZanDOR: Reconnect Success, Plc #1 !!! ";
  const std::string up2 = "ZanDOR: Reconnect Success, Plc #2 !!! ";
  const struct {
    std::vector<std::string> lines;
    int restarted;
    const char* words;
    std::vector<int> down;
  } cases[] = {
      {{up1, up2, "ZanDOR: Warm start return 0"}, 2, "done, and of its backup PLC 2 (S7)", {}},
      {{up1, "ZanDOR: Warm start return 0"},
       2,
       "PLC 1 back; its backup PLC 2 still down: TCP connection refused (2)",
       {2}},
      {{up2, "ZanDOR: Warm start return 0"},
       2,
       "its backup PLC 2 back; PLC 1 still down: TCP connection refused (1)",
       {1}},
      {{"ZanDOR: Warm start return 1"},
       2,
       "no connection restarted; PLC 1 still down: TCP connection refused (1); its backup PLC 2 "
       "still down: TCP connection refused (2)",
       {1, 2}},
      // A backup the driver did not count failed is not tried: the master alone.
      {{up1, "ZanDOR: Warm start return 0"}, 1, "done", {}},
      // A backup without a connection is connected first, and its line names it.
      {{"ZanDOR: Connection to Plc #2 Success !!!", up1, "ZanDOR: Warm start return 0"},
       1,
       "done, and of its backup PLC 2 (S7)",
       {}},
      {{"ZanDOR: PlcConnect Failed, Plc #2, rc = 0", up1, "ZanDOR: Warm start return 0"},
       2,
       "PLC 1 back; its backup PLC 2 still down",
       {2}},
  };
  for (const auto& c : cases) {
    WarmStartFacts facts;
    facts.plc = 1;
    facts.backup = 2;
    facts.restarted = c.restarted;
    facts.lines = c.lines;
    facts.describe = [](int plc) { return "PLC " + std::to_string(plc) + " (S7)"; };
    facts.failureOf = [](int plc) {
      return "TCP connection refused (" + std::to_string(plc) + ")";
    };
    const WarmStartReport report = ReportWarmStart(facts);
    EXPECT_EQ(report.words.substr(0, std::string(c.words).size()), c.words) << report.words;
    EXPECT_EQ(report.down, c.down) << report.words;
  }
}

// Over an Init, the switchover fields of a row come back where the row, and the other member of
// its pair, are configured as they were: a master whose heartbeat stopped stays stopped, its
// backup keeps serving. A row that changed, or whose partner did, or that left or joined a pair,
// starts afresh.
TEST(SwitchoverCarryTest, TheRowsConfiguredAsTheyWereKeepTheirSwitchoverState) {
  const struct {
    const char* what;
    void (*change)(DriverState&);
    std::vector<int> carried;
  } cases[] = {
      {"nothing changed", [](DriverState&) {}, {1, 2, 3, 4, 5}},
      {"the master moved",
       [](DriverState& state) { std::strcpy(state.plcs[1].ipAddress, "127.0.0.9"); },
       {3, 4, 5}},
      {"the backup's slot changed", [](DriverState& state) { state.plcs[4].slot = 3; }, {1, 2, 5}},
      {"the pair is gone", [](DriverState& state) { state.plcs[1].backupPlc = 0; }, {3, 4, 5}},
      {"a PLC joined a pair", [](DriverState& state) { state.plcs[5].backupPlc = 2; }, {3, 4}},
      {"a PLC is gone",
       [](DriverState& state) { state.plcs[5].ipAddress[0] = '\0'; },
       {1, 2, 3, 4}},
  };
  for (const auto& c : cases) {
    const auto before = TwoPairs();
    before->plcs[1].active = 0;  // the backup serves: the master's heartbeat stopped
    before->plcs[1].watchdogAlive = 0;
    before->plcs[1].watchdogValue = 7;
    before->plcs[2].watchdogValue = 9;
    before->plcs[5].watchdogValue = 11;
    for (int plc = 1; plc <= 5; ++plc)
      before->plcs[plc].slot = 2;
    const auto after = TwoPairs();  // as Init leaves it
    for (int plc = 1; plc <= 5; ++plc)
      after->plcs[plc].slot = 2;
    c.change(*after);
    EXPECT_EQ(CarrySwitchoverState(CopyPlcTable(*before), *after), c.carried) << c.what;
    const bool master = std::find(c.carried.begin(), c.carried.end(), 1) != c.carried.end();
    EXPECT_EQ(after->plcs[1].watchdogAlive, master ? 0 : 1) << c.what;
    EXPECT_EQ(after->plcs[1].active, master ? 0 : 1) << c.what;
    EXPECT_EQ(after->plcs[1].watchdogValue, master ? 7 : 0) << c.what;
    EXPECT_EQ(after->plcs[1].linkState, kLinkConnected) << c.what << ": Init's own";
  }
}

}  // namespace
}  // namespace zanhost

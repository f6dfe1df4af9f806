// Rounds by the read plan against the simulator, as poll reads them: every host type on an S7, an
// S5 and a PLC of type 6 reads the same values as tag by tag, a change in the PLC shows in the next
// round, a round takes the requests that the plan counts, a block that cannot be read is named in
// its tags' failures while its PLC stays down, and a master/backup pair switches over and back
// with every value from the PLC that served it. And the session under a bridge's reloads: a
// cache-block tag that zanhost refuses claims no slot, no line of the driver is lost, an Init
// keeps the pair on the member that served, and what a reload drops is forgotten.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "bridge/bridge_driver.h"
#include "bridge/tags.h"
#include "demo/simulator_control.h"
#include "os/host_platform.h"
#include "output/result_words.h"
#include "plan/plan_rounds.h"
#include "poll/table.h"
#include "session/host_session.h"
#include "tags/tag_file.h"

namespace zanhost::testing {
namespace {

constexpr int kMaxRounds = 20;  // the most a switchover may take, at a round every few ms

// PLCs 1 and 2: an S7 pair whose heartbeat words count; 3: an S5; 4: reached as a PLC of type 6;
// 5: an S7 alone. PDU 240, where a block of more than 222 bytes takes two requests.
const char* const kConfiguration =
    "1=7, 127.0.0.1, 2\n2=7, 127.0.0.2, 2\n3=5, 127.0.0.3\n4=6, 127.0.0.4\n5=7, 127.0.0.5, 2\n"
    "BACKUP_1=2\n";

class PlanPlantTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { work_ = std::filesystem::current_path() / "plan-e2e-work"; }

  void SetUp() override {
    folder_ = work_ / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    std::ofstream(folder_ / "zanDOR01.INT") << kConfiguration;
    SimulatorSetup setup;
    setup.program = ZAN_PLCSIM_PROGRAM;
    setup.folder = folder_.string();
    setup.plcs = {"1:s7:db=10x1000:pdu=240:heartbeat=db10.dbw900",
                  "2:s7:db=10x1000:pdu=240:heartbeat=db10.dbw900", "3:s5:db=10x512",
                  "4:s7:db=10x1000", "5:s7:db=10x1000:pdu=240"};
    std::string error;
    ASSERT_TRUE(simulator_.Start(setup, error)) << error;
    SetEnvironment("QUAXNET_PORT", std::to_string(simulator_.port()));
  }

  void Sim(const std::string& command) {
    std::string answer;
    ASSERT_TRUE(simulator_.Command(command, answer)) << command << ": " << answer;
  }

  // The requests that the simulator's PLC served so far.
  int Requests(int plc) {
    std::string answer;
    EXPECT_TRUE(simulator_.Command("status " + std::to_string(plc), answer));
    const std::size_t at = answer.find("requests=");
    return at == std::string::npos ? -1 : std::atoi(answer.c_str() + at + 9);
  }

  std::unique_ptr<HostSession> Session() {
    HostOptions options;
    options.directory = folder_.string();
    options.quiet = true;
    auto session = std::make_unique<HostSession>(options);
    EXPECT_TRUE(session->Init());
    return session;
  }

  static std::vector<TagSpec> Specs(const std::string& text) {
    std::vector<TagSpec> specs;
    std::string error;
    EXPECT_TRUE(ParseTagList(text, specs, error)) << error;
    return specs;
  }

  // One round: each tag's result word and value text, by name.
  static std::map<std::string, std::string> Round(PollTable& table) {
    table.RunRound();
    std::map<std::string, std::string> seen;
    for (const TagReading& tag : table.Round(1, 0).tags)
      seen[tag.name] = tag.ok() ? tag.ValueText() : tag.ResultText();
    return seen;
  }

  static std::filesystem::path work_;
  std::filesystem::path folder_;
  Simulator simulator_;
};

std::filesystem::path PlanPlantTest::work_;

TEST_F(PlanPlantTest, EveryHostTypeReadsAsTagByTagAndAChangeShowsInTheNextRound) {
  std::string pattern = "0x";
  for (int i = 0; i < 200; ++i) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%02X", (i * 37 + 11) & 0xFF);
    pattern += hex;
  }
  for (const char* plc : {"3", "4", "5"})
    Sim(std::string("set ") + plc + " db10 0 " + pattern);
  Sim("set 5 db10 100 0x100548454C4C4F");  // a string of 16 holding HELLO
  Sim("set 3 db10 120 0x0A0548454C4C4F");
  const std::vector<TagSpec> specs = Specs(
      "w, 05DW0100002, word\n i, 05DW0100004, int\n d, 05DD0100008, dint\n"
      "u, 05DD0100014, dword\n f, 05DF0100020, float\n g, 05DF0100026, float\n"
      "bit, 05DW010003005, bit\n byte, 05DB0100033, word\n odd, 05DW0100035, word\n"
      "str, 05DS010010016, string\n chars, 05SB010010205, string\n run, 05DW0100040, word, 5\n"
      "far, 05DW0100600, word\n inputs, 05IB0002, word\n status, !05, word\n"
      "s5w, 03DW0100002, word\n s5i, 03DW0100003, int\n s5d, 03DD0100004, dint\n"
      "s5u, 03DD0100007, dword\n s5f, 03DF0100010, float\n s5bit, 03DW010000507, bit\n"
      "s5run, 03DW0100020, word, 4\n s5str, 03DS010006010, string\n"
      "t6w, 04DW0100002, word\n t6i, 04DW0100003, int\n t6f, 04DF0100004, float\n"
      "t6bit, 04DW010000601, bit\n");
  std::map<std::string, std::string> tagByTag;
  {
    std::unique_ptr<HostSession> session = Session();
    PollTable table(*session, false);
    ASSERT_EQ(table.Define(specs), static_cast<int>(specs.size()));
    tagByTag = Round(table);
    session->Close();
  }
  std::unique_ptr<HostSession> session = Session();
  PollTable table(*session);
  table.Define(specs);
  const ReadPlan& plan = table.plan();
  ASSERT_GE(plan.reads.size(), 3u);  // blocks of PLC 5, runs of PLCs 3 and 4
  EXPECT_LT(plan.requests, plan.tagByTag);
  const int before = Requests(5);
  const std::map<std::string, std::string> planned = Round(table);
  int fivesRequests = 0;
  for (const PlannedRead& read : plan.reads)
    fivesRequests += read.plc == 5 ? read.requests : 0;
  for (const AloneTag& alone : plan.alone)
    fivesRequests += specs[alone.tag].address.rfind("05", 0) == 0 ? alone.requests : 0;
  EXPECT_EQ(Requests(5) - before, fivesRequests);
  for (const auto& [name, value] : tagByTag) {
    EXPECT_EQ(planned.at(name), value) << name;
    EXPECT_EQ(value.find("refused"), std::string::npos) << name << ": " << value;
  }
  EXPECT_EQ(planned.at("str"), "\"HELLO\"");
  Sim("set 5 db10 2 0x1234");
  Sim("set 3 db10 4 0x4321");
  const std::map<std::string, std::string> next = Round(table);
  EXPECT_EQ(next.at("w"), "4660");
  EXPECT_EQ(next.at("s5w"), "17185");
  session->Close();
}

TEST_F(PlanPlantTest, ABlockThatCannotBeReadNamesItselfInItsTagsAndItsPlcStaysDown) {
  std::unique_ptr<HostSession> session = Session();
  PollTable table(*session);
  table.Define(Specs("w, 05DW0100002, word\nx, 05DW0100004, word\n"));
  ASSERT_EQ(table.plan().reads.size(), 1u);
  EXPECT_EQ(Round(table).at("w"), "0");
  Sim("stop 5");
  const std::map<std::string, std::string> failed = Round(table);
  for (const char* name : {"w", "x"}) {
    EXPECT_EQ(failed.at(name).rfind("unreachable: ", 0), 0u) << failed.at(name);
    EXPECT_NE(failed.at(name).find("read with its block, data block 10, bytes 2 to 5 of PLC 5"),
              std::string::npos)
        << failed.at(name);
  }
  // The tags took no answer of 1 from the block: the PLC is down for its warm start.
  EXPECT_EQ(session->PlcWord(5), "link down");
  EXPECT_TRUE(session->NeedsWarmStart(5));
  Sim("start 5");
  Sim("set 5 db10 4 0x0007");
  int32_t plc = 5;
  EXPECT_EQ(session->WarmStart(plc), kResultDone);
  EXPECT_EQ(Round(table).at("x"), "7");
  session->Close();
}

TEST_F(PlanPlantTest, APairSwitchesOverAndBackWithEveryValueFromThePlcThatServed) {
  Sim("set 1 db10 2 0x11111112");
  Sim("set 2 db10 2 0x22212222");
  std::unique_ptr<HostSession> session = Session();
  PollTable table(*session);
  table.Define(
      Specs("hb_m, 01D10100900, word\nhb_b, 01D20100900, word\n"
            "a, 01DW0100002, word\nb, 01DW0100004, word\n"));
  ASSERT_EQ(table.plan().reads.size(), 1u);
  const std::map<int, std::pair<std::string, std::string>> values = {{1, {"4369", "4370"}},
                                                                     {2, {"8737", "8738"}}};
  // Each value as the PLC that served it holds it; returns who served a.
  const auto check = [&](int round) {
    table.RunRound();
    for (const char* name : {"a", "b"}) {
      const int served = table.ServedBy(name);
      if (table.ResultOf(name) != kResultDone) continue;
      ASSERT_TRUE(values.count(served)) << name << " served by " << served;
      const auto& [a, b] = values.at(served);
      EXPECT_EQ(table.ValueOf(name), std::string(name) == "a" ? a : b)
          << name << " in round " << round << " from PLC " << served;
    }
  };
  const auto runUntil = [&](int plc) {
    for (int round = 0; round < kMaxRounds; ++round) {
      check(round);
      if (table.ResultOf("a") == kResultDone && table.ServedBy("a") == plc) return true;
    }
    return false;
  };
  EXPECT_TRUE(runUntil(1));
  Sim("stop 1");
  EXPECT_TRUE(runUntil(2));
  Sim("start 1");
  EXPECT_TRUE(runUntil(1));
  check(kMaxRounds);
  session->Close();
}

bool HasLine(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& line : lines) {
    if (line.find(part) != std::string::npos) return true;
  }
  return false;
}

TEST_F(PlanPlantTest, ACacheBlockTagThatZanhostRefusesClaimsNoSlotAndNoLineOfTheDriverIsLost) {
  std::unique_ptr<HostSession> session = Session();
  for (const char* line : {"blk, 05TB01000000100, byte", "blk, 05TB01000000100, word, 2"}) {
    Tag tag = TagOfSpec(Specs(line).at(0));
    EXPECT_FALSE(session->DefineTag(tag)) << line;
    EXPECT_FALSE(tag.refusal.empty()) << line;
  }
  EXPECT_TRUE(HeldSlots(*session->state()).empty());
  // A read's failure line stays for the next TakeLog when a tag of zanhost's own is defined after
  // it, and the lines of an Init again come with the next TakeLog.
  Tag far = TagOfSpec(Specs("far, 05DW0101998, word").at(0));
  ASSERT_TRUE(session->DefineTag(far));
  ValueBuffer values(1);
  EXPECT_EQ(session->Read(far, values, false), kResultRefused);
  Tag own = TagOfSpec(Specs("own, 05TB01000000010, word").at(0));
  ASSERT_TRUE(session->DefineTag(own, false));
  EXPECT_TRUE(HasLine(session->TakeLog(false), "ZanDOR: Read Tag 05DW0101998 Failed"));
  std::string error;
  ASSERT_TRUE(session->Reinit(error)) << error;
  EXPECT_TRUE(HasLine(session->TakeLog(false), "ZanDOR: Siemens S5&S7 TCP/IP driver"));
  session->Close();
}

TEST_F(PlanPlantTest, AReloadThatInitialisesKeepsThePairOnItsBackupAndForgetsWhatItDrops) {
  std::unique_ptr<HostSession> session = Session();
  SessionDriver driver(*session);
  BridgeTable table(driver);
  const std::string pair = "hb_m, 01D10100900, word\na, 01DW0100002, word\n";
  table.Define(Specs(pair + "hb_b, 01D20100900, word\nblk, 01TB01000000100, word\n"));
  const auto servedBy = [&] {
    table.ReadRound();
    const BridgeTag& a = *table.Find("a");
    return a.result == kResultDone ? a.servedBy : 0;
  };
  int served = 0;
  for (int round = 0; round < kMaxRounds && served != 1; ++round)
    served = servedBy();
  ASSERT_EQ(served, 1);
  Sim("heartbeat 1 freeze");
  for (int round = 0; round < kMaxRounds && served != 2; ++round)
    served = servedBy();
  ASSERT_EQ(served, 2);
  driver.TakeLog();
  ASSERT_TRUE(table.Reload(Specs(pair + "hb_b, 01D20100900, word\nblk2, 01TB01000000100, word\n"))
                  .initialised);
  EXPECT_TRUE(HasLine(driver.TakeLog(), "ZanDOR: Siemens S5&S7 TCP/IP driver"));
  // The master's heartbeat still stands: the Init changed nothing of that.
  EXPECT_EQ(servedBy(), 2);
  EXPECT_EQ(servedBy(), 2);
  // A backup's heartbeat tag that the file drops is none of the session's any more, and the value
  // buffers do not grow with tags renamed again and again.
  ASSERT_FALSE(table.Reload(Specs(pair + "blk2, 01TB01000000100, word\n")).initialised);
  EXPECT_EQ(session->heartbeatTags().size(), 1u);
  std::size_t buffers = 0;
  for (int version = 0; version < 5; ++version) {
    table.Reload(Specs(pair + "blk2, 01TB01000000100, word\nx" + std::to_string(version) +
                       ", 05DW0100002, word\n"));
    table.ReadRound();
    if (version == 0) buffers = session->valueBuffers();
  }
  EXPECT_EQ(session->valueBuffers(), buffers);
  session->Close();
}

}  // namespace
}  // namespace zanhost::testing

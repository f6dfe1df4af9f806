// How zanhost words what a request did to the plant, from the driver's table after it: a heartbeat
// read of 0 that read no word, which PLC of a pair takes the next request, the states of a PLC
// that answers late or waits for its heartbeat, a read that placed no value in the summary, and
// the byte type of byte addresses.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "address/tag_address.h"
#include "bridge/messages.h"
#include "core/driver_state.h"
#include "poll/summary.h"
#include "session/plc_state_words.h"
#include "session/request_outcome.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {
namespace {

constexpr int32_t kMaster = zan::kKindMasterHeartbeat;
constexpr int32_t kBackup = zan::kKindBackupHeartbeat;

// S7 PLCs 1 and 2 connected, 2 the backup of 1, and PLC 3 on its own.
std::unique_ptr<DriverState> Pair() {
  auto state = std::make_unique<DriverState>();
  zan::ResetDriverState(*state);
  for (int plc = 1; plc <= 3; ++plc) {
    std::strcpy(state->plcs[plc].ipAddress, "127.0.0.1");
    state->plcs[plc].type = kPlcTypeS7;
    state->plcs[plc].linkState = kLinkConnected;
    state->plcs[plc].readConnection = static_cast<uint16_t>(plc);
  }
  state->plcs[1].backupPlc = 2;
  return state;
}

TEST(HeartbeatReadTest, AResultOfZeroIsAValueOnlyWhenTheWordWasRead) {
  const struct {
    int32_t kind;
    int before;
    int after;
    const char* words;  // "" when the word was read
  } cases[] = {
      {kMaster, kLinkConnected, kLinkConnected, ""},
      {kMaster, kLinkFailed, kLinkConnected, kReconnectedWords},  // the reconnect reads no word
      {kMaster, kLinkUntriedOrRefused, kLinkConnected, ""},
      {kMaster, kLinkConnected, kLinkUntriedOrRefused, "the PLC refused the read of the word (x)"},
      {kBackup, kLinkConnected, kLinkConnected, ""},
      {kBackup, kLinkFailed, kLinkConnected, ""},  // reconnected, then read in the same request
      {kBackup, kLinkUntriedOrRefused, kLinkUntriedOrRefused, "only while its link is up"},
      {kBackup, kLinkConnected, kLinkUntriedOrRefused, "refused the read of the word (x)"},
  };
  for (const auto& c : cases) {
    const std::string words = UnreadHeartbeatWords(c.kind, c.before, c.after, "x");
    if (std::string(c.words).empty()) {
      EXPECT_EQ(words, "") << c.kind << " " << c.before << " " << c.after;
    } else {
      EXPECT_NE(words.find(c.words), std::string::npos) << words;
    }
  }
  // The backup's tag watches the backup of the PLC it names.
  const auto state = Pair();
  state->plcs[2].linkState = kLinkFailed;
  EXPECT_EQ(HeartbeatLinkState(*state, kBackup, 256 + 1), kLinkFailed);
  EXPECT_EQ(HeartbeatLinkState(*state, kMaster, 256 + 1), kLinkConnected);
  EXPECT_EQ(HeartbeatLinkState(*state, kBackup, 256 + 3), -1) << "PLC 3 has no backup";
  EXPECT_EQ(HeartbeatLinkState(*state, zan::kKindWord, 1), -1);
  EXPECT_EQ(RequestedPlc(*state, kBackup, 0, 256 + 1), 2);
  EXPECT_EQ(RequestedPlc(*state, zan::kKindStatus, 3, 256), 3);
}

TEST(PairWordsTest, TheNextRequestIsTheOneTheTableNowChooses) {
  const struct {
    uint8_t master;  // link states after the request
    uint8_t backup;
    uint8_t masterAlive;
    int failed;
    const char* words;
  } cases[] = {
      {kLinkFailed, kLinkConnected, 1, 1, "the next request goes to its backup PLC 2"},
      {kLinkConnected, kLinkConnected, 0, 1, "the next request goes to its backup PLC 2"},
      {kLinkFailed, kLinkFailed, 1, 1, "its backup PLC 2 cannot serve either (link down)"},
      {kLinkFailed, kLinkFailed, 1, 2, "its master PLC 1 cannot serve either (link down)"},
      {kLinkConnected, kLinkFailed, 1, 2, "the pair's requests go to its master PLC 1"},
      {kLinkConnected, kLinkConnected, 1, 1, "the next request goes to PLC 1 again"},
  };
  for (const auto& c : cases) {
    const auto state = Pair();
    state->plcs[1].linkState = c.master;
    state->plcs[2].linkState = c.backup;
    state->plcs[1].watchdogAlive = c.masterAlive;
    EXPECT_EQ(NextRequestWords(*state, 1, c.failed, "link down"), c.words);
  }
  EXPECT_EQ(NextRequestWords(*Pair(), 3, 3, "x"), "") << "no pair";
  // A 1 from the driver is a lost link when the PLC it went to holds 2.
  const auto state = Pair();
  state->plcs[1].linkState = kLinkFailed;
  EXPECT_TRUE(FailedForLackOfCommunication(*state, 1, 1));
  EXPECT_FALSE(FailedForLackOfCommunication(*state, 1, 2));
  EXPECT_FALSE(FailedForLackOfCommunication(*state, 2, 1)) << "a 2 is unreachable already";
}

TEST(PlcStatusWordsTest, ALateAnswerAndAnUnreadHeartbeatAreOutagesNotRefusals) {
  const auto state = Pair();
  state->plcs[3].linkState = kLinkUntriedOrRefused;  // the request held back behind a late answer
  EXPECT_EQ(PlcStateWord(*state, 3), "last request refused");
  EXPECT_EQ(PlcStateWord(*state, 3, false, true), kNoAnswerWord);
  state->plcs[3].linkState = kLinkFailed;  // the read whose polls ran out
  EXPECT_EQ(PlcStateWord(*state, 3, false, true), kNoAnswerWord);
  state->plcs[3].readConnection = 0;
  EXPECT_EQ(PlcStateWord(*state, 3, false, true), "link down") << "never connected";
  state->plcs[1].watchdogAlive = 0;  // reconnected by its heartbeat tag, no word read yet
  EXPECT_EQ(PlcStateWord(*state, 1), "heartbeat stopped");
  EXPECT_EQ(PlcStateWord(*state, 1, false, false, true), "waits for its heartbeat");
  for (const char* word : {kNoAnswerWord, "waits for its heartbeat", "link down"})
    EXPECT_TRUE(IsOutageWord(word)) << word;
  EXPECT_FALSE(IsOutageWord("last request refused"));
  EXPECT_EQ(PlcTopicState(kNoAnswerWord, true), kNoAnswerWord);
  EXPECT_EQ(PlcTopicState("not connected", true), "link down");
}

TagReading Reading(const std::string& name, int32_t result, int64_t value,
                   const std::string& unread = "") {
  TagReading reading;
  reading.name = name;
  reading.address = "01D10100000";
  reading.defined = true;
  reading.result = result;
  reading.unread = unread;
  if (result == 0 && unread.empty()) {
    TagValue read;
    read.integer = value;
    reading.values.push_back(read);
  }
  return reading;
}

TEST(PollSummaryTest, AReadThatPlacedNoValueIsNeitherAValueNorAFailureNorAChange) {
  PollSummary summary;
  int64_t time = 1000;
  for (const TagReading& reading : {Reading("hb", 0, 40), Reading("hb", 2, 0),
                                    Reading("hb", 0, 0, kReconnectedWords), Reading("hb", 0, 42)}) {
    PollRound round;
    round.time = time += 1000;
    round.tags = {reading};
    summary.Add(round);
  }
  const PollSummary::Entry& entry = summary.entries().at(0);
  EXPECT_EQ(entry.reads, 3);
  EXPECT_EQ(entry.failures, 1);
  EXPECT_EQ(entry.min, 40);
  EXPECT_EQ(entry.max, 42);
  EXPECT_EQ(entry.lastChange, 5000);
  EXPECT_EQ(Reading("hb", 0, 0, kReconnectedWords).ResultText(), kReconnectedWords);
}

TEST(PollSummaryTest, TheColumnsKeepTheirPlacesWithWideValues) {
  PollSummary summary;
  PollRound round;
  round.time = 1000;
  TagReading wide = Reading("a_tag_name_wider_than_its_column", 0, 1234567890123);
  wide.address = "01DD0100008";
  round.tags = {wide, Reading("hb", 0, 5)};
  summary.Add(round);
  const std::vector<std::string> lines = summary.TextLines();
  ASSERT_EQ(lines.size(), 4u);
  for (const char* column : {"ADDRESS", "READS", "MAX", "LAST CHANGE"}) {
    const std::size_t at = lines[1].find(column);
    for (std::size_t row = 2; row < lines.size(); ++row) {
      ASSERT_GT(lines[row].size(), at) << column;
      EXPECT_NE(lines[row][at], ' ') << column << " in: " << lines[row];
      EXPECT_EQ(lines[row][at - 1], ' ') << column << " in: " << lines[row];
    }
  }
}

TEST(HostTypesTest, AByteAddressTakesTheByteType) {
  int32_t code = 0;
  ASSERT_TRUE(ParseHostType("BYTE", code));
  EXPECT_EQ(code, kHostByte);
  EXPECT_EQ(HostTypeName(kHostByte), "byte");
  const struct {
    const char* address;
    int32_t type;
  } cases[] = {{"01DB0100005", kHostByte},   {"01xb0100005", kHostByte}, {"01IB0002", kHostByte},
               {"01MB0002", kHostByte},      {"01DW0100002", kHostWord}, {"01MW0002", kHostWord},
               {"01SB010001020", kHostWord}, {"!01", kHostWord}};
  for (const auto& c : cases)
    EXPECT_EQ(DefaultHostType(c.address), c.type) << c.address;
  EXPECT_TRUE(IsByteKind(zan::kKindByte));
  EXPECT_TRUE(IsByteKind(zan::kKindInputByte));
  EXPECT_FALSE(IsByteKind(zan::kKindInputWord));
  EXPECT_FALSE(IsByteKind(zan::kKindWord));
}

}  // namespace
}  // namespace zanhost

// The read plan's choices, table-driven: which tags share a block or a run and which are read
// alone and why, with gaps, the block's length, the PDU, the cache slots left by the file's own
// cache-block tags, the kinds that are never planned, S5 and type-6 PLCs, and pairs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "address/tag_address.h"
#include "plan/read_plan.h"
#include "plan/span_grouping.h"
#include "tags/host_types.h"
#include "zanhost/plan_tags.h"

namespace zanhost::testing {
namespace {

PlanInput Input(const std::vector<Tag>& tags, std::vector<PlanPlc> plcs) {
  PlanInput input;
  input.tags = tags;
  input.defined.assign(tags.size(), true);
  input.plcs = plcs;
  return input;
}

PlanPlc S7(int number, int pdu = 240, int backup = 0) {
  return PlanPlc{number, kPlcTypeS7, backup, pdu};
}

// Per tag: the index of its read, or the reason it is read alone, as one text ("read 0",
// "alone: heartbeat").
std::vector<std::string> Fates(const ReadPlan& plan, std::size_t tags) {
  std::vector<std::string> fates(tags, "not planned");
  for (std::size_t i = 0; i < tags; ++i) {
    if (plan.readOf[i] >= 0) fates[i] = "read " + std::to_string(plan.readOf[i]);
  }
  for (const AloneTag& alone : plan.alone)
    fates[alone.tag] = "alone: " + AloneWords(alone.reason);
  return fates;
}

TEST(ReadPlanTest, NeighboursShareABlockWhileTheGapCostsLessThanTheRequestsItSaves) {
  const std::string alone = "alone: " + AloneWords(AloneReason::kNoNeighbour);
  const struct {
    const char* what;
    std::vector<Tag> tags;
    int pdu;
    std::vector<std::string> fates;
    std::vector<std::pair<int, int>> blocks;  // first byte, bytes
    int requests;
  } cases[] = {
      {"close words",
       {Word(1, 10, 0), Word(1, 10, 2), Word(1, 10, 10)},
       240,
       {"read 0", "read 0", "read 0"},
       {{0, 12}},
       1},
      // 502 bytes take three answers of 222 at PDU 240, more than the two words alone.
      {"far at PDU 240", {Word(1, 10, 0), Word(1, 10, 500)}, 240, {alone, alone}, {}, 2},
      {"far at PDU 960",
       {Word(1, 10, 0), Word(1, 10, 500)},
       960,
       {"read 0", "read 0"},
       {{0, 502}},
       1},
      // 400 bytes: two answers of 222, whichever way it is cut.
      {"200 words in 400 bytes", {}, 240, {}, {{0, 400}}, 2},
      {"one word alone", {Word(1, 10, 4)}, 240, {alone}, {}, 1},
      {"another data block", {Word(1, 10, 0), Word(1, 11, 2)}, 240, {alone, alone}, {}, 2},
      {"another PLC", {Word(1, 10, 0), Word(2, 10, 2)}, 240, {alone, alone}, {}, 2},
      {"a word and a bit of it",
       {Word(1, 10, 6), Bit(1, 10, 6, 3)},
       240,
       {"read 0", "read 0"},
       {{6, 2}},
       1},
      {"a string and a float",
       {String(1, 10, 20, 16), Float(1, 10, 40)},
       240,
       {"read 0", "read 0"},
       {{20, 24}},
       1},
      {"a run",
       {WithCount(Word(1, 10, 100), 20), Word(1, 10, 144)},
       240,
       {"read 0", "read 0"},
       {{100, 46}},
       1},
  };
  for (const auto& c : cases) {
    std::vector<Tag> tags = c.tags;
    std::vector<std::string> fates = c.fates;
    if (tags.empty()) {
      for (int byte = 398; byte >= 0; byte -= 2) {
        tags.push_back(Word(1, 10, byte));
        fates.push_back("read 0");
      }
    }
    const ReadPlan plan = MakeReadPlan(Input(tags, {S7(1, c.pdu), S7(2, c.pdu)}));
    EXPECT_EQ(Fates(plan, tags.size()), fates) << c.what;
    std::vector<std::pair<int, int>> blocks;
    for (const PlannedRead& read : plan.reads) {
      EXPECT_TRUE(read.block) << c.what;
      blocks.emplace_back(read.start, read.length);
    }
    EXPECT_EQ(blocks, c.blocks) << c.what;
    EXPECT_EQ(plan.requests, c.requests) << c.what;
    EXPECT_EQ(plan.tagByTag, static_cast<int>(tags.size())) << c.what;
  }
}

TEST(ReadPlanTest, ABlockHoldsAtMost1000BytesFromByte9999OnAndNeverAHeartbeatWord) {
  std::vector<Tag> tags;
  for (int byte = 0; byte < 1400; byte += 2)
    tags.push_back(Word(1, 10, byte));
  tags.push_back(Heartbeat(1, 20, 50));
  tags.push_back(Word(1, 20, 48));
  tags.push_back(Word(1, 20, 52));
  tags.push_back(Word(1, 30, 9998));
  tags.push_back(Word(1, 30, 10000));
  tags.push_back(Word(1, 30, 10002));
  tags.push_back(WithCount(Word(1, 40, 0), 600));
  tags.push_back(Word(1, 40, 1202));
  const ReadPlan plan = MakeReadPlan(Input(tags, {S7(1, 960)}));
  int covered = 0;
  for (const PlannedRead& read : plan.reads) {
    EXPECT_LE(read.length, 1000);
    EXPECT_LE(read.start, 9999);
    if (read.dataBlock == 10) covered += static_cast<int>(read.members.size());
  }
  EXPECT_EQ(covered, 700);  // every word of data block 10, in two blocks
  const std::vector<std::string> fates = Fates(plan, tags.size());
  EXPECT_EQ(fates[700], "alone: " + AloneWords(AloneReason::kHeartbeat));
  // The words beside the heartbeat cannot share a block over it.
  EXPECT_EQ(fates[701], "alone: " + AloneWords(AloneReason::kNoNeighbour));
  EXPECT_EQ(fates[702], "alone: " + AloneWords(AloneReason::kNoNeighbour));
  EXPECT_EQ(fates[703], "alone: " + AloneWords(AloneReason::kNoNeighbour));
  EXPECT_EQ(fates[704], "alone: " + AloneWords(AloneReason::kPastCacheAddress));
  EXPECT_EQ(fates[705], "alone: " + AloneWords(AloneReason::kPastCacheAddress));
  EXPECT_EQ(fates[706], "alone: " + AloneWords(AloneReason::kLongerThanBlock));
  EXPECT_EQ(plan.requests, 2 + 1 + 1 + 1 + 1 + 1 + 1 + 2 + 1);
}

TEST(ReadPlanTest, BlocksTakeTheSlotsThatTheFilesCacheBlockTagsLeaveAndRunsServeTheRest) {
  // 3 cache-block tags of the file, and 100 data blocks whose words want a block each; the words
  // of data block 100 are held by the file's first block.
  std::vector<Tag> tags = {CacheBlock(1, 100, 0, 10), CacheBlock(1, 300, 0, 10),
                           CacheBlock(1, 301, 0, 10)};
  for (int dataBlock = 100; dataBlock < 200; ++dataBlock) {
    const int words = dataBlock < 150 ? 2 : 5;  // the later data blocks save more a block
    for (int i = 0; i < words; ++i)
      tags.push_back(Word(1, dataBlock, 2 * i));
  }
  const ReadPlan plan = MakeReadPlan(Input(tags, {S7(1)}));
  EXPECT_EQ(plan.fileBlocks, 3);
  int blocks = 0;
  int runs = 0;
  for (const PlannedRead& read : plan.reads) {
    blocks += read.block ? 1 : 0;
    if (!read.block) {
      // The data blocks of two words that went without a slot: a run of words takes none.
      ++runs;
      EXPECT_LT(read.dataBlock, 150);
      EXPECT_EQ(read.tag.count, 2);
    }
  }
  EXPECT_EQ(blocks, 97);
  EXPECT_EQ(runs, 2);
  int noSlot = 0;
  int heldByFile = 0;
  for (const AloneTag& alone : plan.alone) {
    noSlot += alone.reason == AloneReason::kNoSlot ? 1 : 0;
    if (alone.reason == AloneReason::kFileBlock) {
      ++heldByFile;
      EXPECT_EQ(alone.detail, "01TB10000000010");
      EXPECT_EQ(alone.requests, 0);
    }
  }
  EXPECT_EQ(heldByFile, 2);
  EXPECT_EQ(noSlot, 0);
  int fiveWords = 0;
  for (const PlannedRead& read : plan.reads) {
    EXPECT_NE(read.dataBlock, 100);
    fiveWords += read.members.size() == 5 && read.block ? 1 : 0;
  }
  EXPECT_EQ(fiveWords, 50);
  // With two slots, a float and a string that want a block of their own share no run: they are
  // read alone for want of a slot.
  std::vector<Tag> few;
  for (int dataBlock = 1; dataBlock <= 2; ++dataBlock) {
    for (int i = 0; i < 5; ++i)
      few.push_back(Word(1, dataBlock, 2 * i));
  }
  few.push_back(Float(1, 3, 100));
  few.push_back(String(1, 3, 104, 10));
  PlanInput input = Input(few, {S7(1)});
  input.slots = 2;
  const std::vector<std::string> fates = Fates(MakeReadPlan(input), few.size());
  EXPECT_EQ(fates[10], "alone: " + AloneWords(AloneReason::kNoSlot));
  EXPECT_EQ(fates[11], "alone: " + AloneWords(AloneReason::kNoSlot));
}

TEST(ReadPlanTest, KindsThatNoBlockServesAreReadAloneAndTheirRequestsCounted) {
  const std::vector<Tag> tags = {
      Status(1),      Heartbeat(1, 10, 100), InputByte(1, 2), CacheBlock(1, 10, 0, 50),
      Word(1, 10, 2), Word(1, 10, 4),        Word(1, 10, 60), Word(1, 10, 62)};
  const ReadPlan plan = MakeReadPlan(Input(tags, {S7(1)}));
  const std::vector<std::string> fates = Fates(plan, tags.size());
  const std::vector<std::string> expected = {"alone: " + AloneWords(AloneReason::kStatus),
                                             "alone: " + AloneWords(AloneReason::kHeartbeat),
                                             "alone: " + AloneWords(AloneReason::kInputsOutputs),
                                             "alone: " + AloneWords(AloneReason::kCacheBlockTag),
                                             "alone: " + AloneWords(AloneReason::kFileBlock),
                                             "alone: " + AloneWords(AloneReason::kFileBlock),
                                             "read 0",
                                             "read 0"};
  EXPECT_EQ(fates, expected);
  // status 0, heartbeat 1, input 1, the file's block 1, its two words 0, the plan's block 1.
  EXPECT_EQ(plan.requests, 4);
  EXPECT_EQ(plan.tagByTag, 5);
}

TEST(ReadPlanTest, S5AndTypeSixReadRunsOfOneKindAndStringsAlone) {
  const std::vector<Tag> tags = {Word(3, 10, 2, false),   Word(3, 10, 3, false),
                                 Bit(3, 10, 5, 0),        Float(3, 10, 10, false),
                                 Float(3, 10, 12, false), Float(3, 10, 15, false),
                                 String(3, 10, 40, 10),   Word(4, 10, 0, false),
                                 Word(4, 10, 300, false), Word(4, 10, 1, false)};
  std::vector<Tag> s5 = tags;
  s5[2].kind = zan::kKindWord;
  s5[2].address = 10 << 16 | 5;
  const ReadPlan plan = MakeReadPlan(
      Input(s5, {PlanPlc{3, kPlcTypeS5, 0, 0}, PlanPlc{4, kPlcTypeS5ValuesBySlot, 0, 240}}));
  ASSERT_EQ(plan.reads.size(), 3u);
  const std::vector<std::string> fates = Fates(plan, s5.size());
  EXPECT_EQ(fates[0], fates[1]);
  EXPECT_EQ(fates[0], fates[2]);  // a bit's word joins the words
  EXPECT_EQ(fates[3], fates[4]);  // floats at even data words
  EXPECT_EQ(fates[5], "alone: " + AloneWords(AloneReason::kNoNeighbour));  // at an odd one
  EXPECT_EQ(fates[6], "alone: " + AloneWords(AloneReason::kNoRun));
  EXPECT_EQ(fates[7], fates[9]);
  EXPECT_EQ(fates[8], "alone: " + AloneWords(AloneReason::kNoNeighbour));
  for (const PlannedRead& read : plan.reads) {
    EXPECT_FALSE(read.block);
    EXPECT_EQ(read.requests, 1);
  }
  const PlannedRead& words = plan.reads[plan.readOf[0]];
  EXPECT_EQ(words.tag.text, "03DW0100002");
  EXPECT_EQ(words.tag.count, 4);
  EXPECT_EQ(words.members[2].firstValue, 3);  // the bit's word, data word 5
  const PlannedRead& floats = plan.reads[plan.readOf[3]];
  EXPECT_EQ(floats.tag.text, "03DF0100010");
  EXPECT_EQ(floats.tag.count, 2);
  EXPECT_EQ(floats.tag.hostType, kHostFloat);
  EXPECT_EQ(plan.requests, 3 + 1 + 1 + 1);
}

TEST(ReadPlanTest, APairReadsTheMastersBlocksUnlessItsBackupIsOfAnotherType) {
  const std::vector<Tag> tags = {Word(1, 10, 0), Word(1, 10, 2), Word(5, 10, 0), Word(5, 10, 2)};
  const ReadPlan plan = MakeReadPlan(Input(
      tags, {S7(1, 240, 2), S7(2), S7(5, 240, 6), PlanPlc{6, kPlcTypeS5ValuesBySlot, 0, 240}}));
  const std::vector<std::string> fates = Fates(plan, tags.size());
  EXPECT_EQ(fates[0], "read 0");
  EXPECT_EQ(fates[1], "read 0");
  EXPECT_EQ(plan.reads[0].plc, 1);
  EXPECT_EQ(fates[2], "alone: " + AloneWords(AloneReason::kMixedPair));
  EXPECT_EQ(fates[3], "alone: " + AloneWords(AloneReason::kMixedPair));
}

TEST(ReadPlanTest, WithoutAPlanEveryTagIsReadAloneAsWithout) {
  const std::vector<Tag> tags = {Word(1, 10, 0), Word(1, 10, 2), Status(1)};
  PlanInput input = Input(tags, {S7(1)});
  input.on = false;
  const ReadPlan plan = MakeReadPlan(input);
  EXPECT_TRUE(plan.reads.empty());
  EXPECT_EQ(plan.requests, plan.tagByTag);
  EXPECT_EQ(plan.requests, 2);
  EXPECT_EQ(Fates(plan, tags.size())[0], "alone: " + AloneWords(AloneReason::kPlanOff));
}

TEST(SpanGroupingTest, TheCheapestCutOfSortedSpans) {
  GroupingRules rules;
  rules.maxUnits = 1000;
  rules.maxStart = 9999;
  rules.answerBytes = 222;
  // Three groups of words 300 bytes apart: each pair of them would take two answers, the three
  // apart one each.
  const std::vector<Span> spans = {{0, 1}, {600, 601}, {2, 3}, {300, 301}, {602, 603}, {302, 303}};
  const SpanGroups groups = GroupSpans(spans, rules);
  ASSERT_EQ(groups.groups.size(), 3u);
  EXPECT_EQ(groups.groups[0], (std::vector<int>{0, 2}));
  EXPECT_EQ(groups.groups[1], (std::vector<int>{3, 5}));
  EXPECT_EQ(groups.groups[2], (std::vector<int>{1, 4}));
  // At a slot price of 2 one group of all six (three answers for six) still pays; above what any
  // group saves, every span is read alone.
  rules.groupPenalty = 2;
  ASSERT_EQ(GroupSpans(spans, rules).groups.size(), 1u);
  EXPECT_EQ(GroupSpans(spans, rules).groups[0].size(), 6u);
  rules.groupPenalty = 4;
  EXPECT_TRUE(GroupSpans(spans, rules).groups.empty());
}

}  // namespace
}  // namespace zanhost::testing

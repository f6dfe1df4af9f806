// Rounds by the plan on a scripted driver that keeps the cache as the driver does: the order of a
// round, a block that fails or that the PLC refuses, a read outside the rounds, runs handed out;
// and a thousand reloads of a tag file whose cache-block tag is renamed each time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/tags.h"
#include "plan/plan_rounds.h"
#include "tags/host_types.h"
#include "zanhost/bridge_scripted.h"
#include "zanhost/plan_tags.h"

namespace zanhost::testing {
namespace {

class PlanRoundsTest : public ::testing::Test {
 protected:
  PlanRoundsTest() : driver_(now_, 4), rounds_(driver_) {}

  void Prepare(const std::vector<Tag>& tags, bool on = true) {
    tags_ = tags;
    rounds_.Prepare(tags_, std::vector<bool>(tags_.size(), true), on);
  }

  // One round: each tag's read by name.
  std::map<std::string, TagRead> Round() {
    std::map<std::string, TagRead> reads;
    rounds_.Round([&](int tag, const TagRead& read) { reads[tags_[tag].name] = read; });
    return reads;
  }

  double now_ = 0;
  ScriptedDriver driver_;
  PlanRounds rounds_;
  std::vector<Tag> tags_;
};

TEST_F(PlanRoundsTest, ARoundReadsHeartbeatsThenBlocksThenTheirTagsThenTheRest) {
  const std::vector<Tag> tags = {Word(1, 10, 0), InputByte(1, 2), Heartbeat(1, 10, 100),
                                 Word(1, 10, 2)};
  Prepare(tags);
  Round();
  EXPECT_EQ(driver_.readOrder,
            (std::vector<std::string>{"01D10100100", "01TB01000000004", "01DW0100000",
                                      "01DW0100002", "01IB0002"}));
  driver_.readOrder.clear();
  Prepare(tags, false);
  Round();
  EXPECT_EQ(driver_.readOrder,
            (std::vector<std::string>{"01DW0100000", "01IB0002", "01D10100100", "01DW0100002"}));
}

TEST_F(PlanRoundsTest, TheTagsOfABlockThatFailedGetItsCauseWithoutARequestAndThenLiveValues) {
  Prepare({Word(1, 10, 0), Word(1, 10, 2)});
  driver_.values["01DW0100000"] = 5;
  EXPECT_EQ(Round()["01DW0100000"].values.at(0).integer, 5);
  driver_.SetDown(1, true);
  driver_.reads.clear();
  std::map<std::string, TagRead> reads = Round();
  EXPECT_EQ(driver_.reads["01TB01000000004"], 1);
  // The driver would answer them with 1 from the block without valid data, and store that 1 over
  // the link state of the failed read.
  EXPECT_EQ(driver_.reads.count("01DW0100000"), 0u);
  EXPECT_EQ(reads["01DW0100000"].result, kResultUnreachable);
  EXPECT_EQ(reads["01DW0100002"].failure,
            "cannot be reached (link down); read with its block, data block 10, bytes 0 to 3 of "
            "PLC 1");
  EXPECT_TRUE(reads["01DW0100002"].values.empty());
  driver_.SetDown(1, false);
  driver_.values["01DW0100000"] = 6;
  reads = Round();
  EXPECT_EQ(reads["01DW0100000"].result, kResultDone);
  EXPECT_EQ(reads["01DW0100000"].values.at(0).integer, 6);
}

TEST_F(PlanRoundsTest, ABlockThatThePlcRefusesIsGivenUpAndItsTagsAreReadAloneInTheSameRound) {
  Prepare({Word(1, 10, 0), Word(1, 10, 2), Word(1, 10, 8)});
  ASSERT_EQ(rounds_.plan().reads.size(), 1u);
  driver_.refused.insert("01TB01000000010");
  driver_.refused.insert("01DW0100008");  // the tag that reaches past the data block
  const std::map<std::string, TagRead> reads = Round();
  EXPECT_EQ(reads.at("01DW0100000").result, kResultDone);
  EXPECT_EQ(reads.at("01DW0100002").result, kResultDone);
  EXPECT_EQ(reads.at("01DW0100008").result, kResultRefused);
  EXPECT_TRUE(rounds_.plan().reads.empty());
  EXPECT_EQ(rounds_.plan().requests, 3);
  const std::vector<std::string> notes = rounds_.TakeNotes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0],
            "PLC 1 refused the block data block 10, bytes 0 to 9 of PLC 1 (address outside data "
            "block): its 3 tags are read on their own from now on");
  // Its slot holds nothing any more.
  const std::vector<SlotUse> held = HeldSlots(*driver_.state());
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].length, 0);
  driver_.reads.clear();
  Round();
  EXPECT_EQ(driver_.reads.count("01TB01000000010"), 0u);
}

TEST_F(PlanRoundsTest, AReadOutsideTheRoundsReadsItsBlockFirst) {
  Prepare({Word(1, 10, 0), Word(1, 10, 2)});
  Round();
  driver_.values["01DW0100002"] = 77;
  driver_.reads.clear();
  const TagRead read = rounds_.ReadNow(1);
  EXPECT_EQ(driver_.reads["01TB01000000004"], 1);
  ASSERT_EQ(read.result, kResultDone);
  EXPECT_EQ(read.values.at(0).integer, 77);
}

TEST_F(PlanRoundsTest, ARunHandsEachTagItsValuesAndItsFailure) {
  driver_.SetType(3, kPlcTypeS5);
  Tag bit = Bit(3, 10, 5, 1);
  bit.kind = zan::kKindWord;
  bit.address = 10 << 16 | 5;
  Prepare({Word(3, 10, 2, false), WithCount(Word(3, 10, 3, false), 2), bit});
  ASSERT_EQ(rounds_.plan().reads.size(), 1u);
  // The run's four words hold 0x10, 0x11, 0x12 and 0x13 (the scripted values count up).
  driver_.values["03DW0100002"] = 0x10;
  std::map<std::string, TagRead> reads = Round();
  EXPECT_EQ(reads["03DW0100002"].values.at(0).integer, 0x10);
  ASSERT_EQ(reads["03DW0100003"].values.size(), 2u);
  EXPECT_EQ(reads["03DW0100003"].values[1].integer, 0x12);
  EXPECT_EQ(reads["03DW010000501"].values.at(0).integer, 1);  // bit 1 of 0x13
  EXPECT_EQ(driver_.reads.count("03DW0100003"), 0u);
  driver_.SetDown(3, true);
  reads = Round();
  EXPECT_EQ(reads["03DW0100003"].result, kResultUnreachable);
  EXPECT_EQ(reads["03DW0100003"].failure,
            "cannot be reached (link down); read with its run, data block 10, data words 2 to 5 "
            "of PLC 3");
}

// A cache-block tag of the table is a read of the round like a block of the plan: read before the
// tags it holds, whatever their order, and when it fails they share its failure without a request
// (the driver would answer them 1 from the block and store that 1 over the PLC's failed link, so
// that no warm start would ever come). Without a plan the table's order stays, and the same holds
// for the tags behind the block.
TEST_F(PlanRoundsTest, ACacheBlockTagOfTheTableServesItsTagsAsABlockOfThePlanDoes) {
  for (const bool on : {true, false}) {
    double now = 0;
    ScriptedDriver driver(now, 2);
    PlanRounds rounds(driver);
    Tag block = CacheBlock(1, 10, 0, 100);
    block.name = "blk";
    ASSERT_TRUE(driver.DefineTag(block));  // as the table defines it
    const std::vector<Tag> tags = {Word(1, 10, 2), block, Word(1, 10, 4), Word(2, 10, 2)};
    rounds.Prepare(tags, std::vector<bool>(tags.size(), true), on);
    const auto round = [&] {
      std::map<std::string, TagRead> reads;
      rounds.Round([&](int tag, const TagRead& read) { reads[tags[tag].name] = read; });
      return reads;
    };
    driver.values["01DW0100002"] = 5;
    std::map<std::string, TagRead> reads = round();
    if (on) {
      ASSERT_EQ(reads["01DW0100002"].result, kResultDone);
      EXPECT_EQ(reads["01DW0100002"].values.at(0).integer, 5);
      driver.values["01DW0100002"] = 6;
      EXPECT_EQ(round()["01DW0100002"].values.at(0).integer, 6) << "the value of this round";
    }
    EXPECT_EQ(reads["01DW0100004"].result, kResultDone) << on;
    EXPECT_EQ(driver.reads["blk"], on ? 2 : 1) << "once a round";
    driver.SetDown(1, true);
    driver.reads.clear();
    reads = round();
    EXPECT_EQ(driver.reads["blk"], 1);
    EXPECT_EQ(driver.reads.count("01DW0100004"), 0u) << on;
    EXPECT_EQ(reads["01DW0100004"].result, kResultUnreachable) << on;
    EXPECT_EQ(reads["01DW0100004"].failure,
              "cannot be reached (link down); read with the cache-block tag blk, data block 10, "
              "bytes 0 to 99 of PLC 1")
        << on;
    EXPECT_EQ(reads["02DW0100002"].result, kResultDone);
    EXPECT_EQ(driver.state()->plcs[1].linkState, kLinkFailed) << on << ": the PLC stays down";
    // Without a plan, the tag before its block meets the block's latest read: the last round's.
    driver.reads.clear();
    reads = round();
    EXPECT_EQ(driver.reads.count("01DW0100002"), 0u) << on;
    EXPECT_EQ(reads["01DW0100002"].result, kResultUnreachable) << on;
    EXPECT_EQ(driver.state()->plcs[1].linkState, kLinkFailed) << on;
  }
}

TEST_F(PlanRoundsTest, AReadOutsideTheRoundsReadsTheCacheBlockTagThatHoldsItFirst) {
  Tag block = CacheBlock(1, 10, 0, 100);
  block.name = "blk";
  ASSERT_TRUE(driver_.DefineTag(block));
  Prepare({block, Word(1, 10, 2)});
  Round();
  driver_.values["01DW0100002"] = 77;
  driver_.reads.clear();
  const TagRead read = rounds_.ReadNow(1);
  EXPECT_EQ(driver_.reads["blk"], 1);
  ASSERT_EQ(read.result, kResultDone);
  EXPECT_EQ(read.values.at(0).integer, 77);
  driver_.SetDown(1, true);
  EXPECT_EQ(rounds_.ReadNow(1).result, kResultUnreachable);
  EXPECT_EQ(driver_.reads.count("01DW0100002"), 1u) << "the read above only";
  EXPECT_EQ(driver_.state()->plcs[1].linkState, kLinkFailed);
}

// A run answered from a block without valid data would get 1 over its PLC's link state as well:
// here the run of a master (the plan's slots taken by the table's own blocks) whose backup serves,
// inside a cache-block tag of the backup that the backup refused.
TEST_F(PlanRoundsTest, ARunThatAFailedBlockHoldsSharesItsFailureWithoutARequest) {
  std::vector<Tag> tags = {Word(1, 10, 2), Word(1, 10, 4)};
  Tag backupBlock = CacheBlock(2, 10, 0, 100);
  backupBlock.name = "backupBlock";
  tags.push_back(backupBlock);
  for (int slot = 1; slot < kCacheBlockCount; ++slot)
    tags.push_back(CacheBlock(3, 20, slot * 10, 10));
  for (std::size_t i = 2; i < tags.size(); ++i)
    ASSERT_TRUE(driver_.DefineTag(tags[i]));
  driver_.SetBackup(1, 2);
  Prepare(tags);
  ASSERT_EQ(rounds_.plan().reads.size(), 1u);
  ASSERT_FALSE(rounds_.plan().reads[0].block);
  const std::string run = rounds_.plan().reads[0].tag.name;
  EXPECT_EQ(Round()["01DW0100004"].result, kResultDone);
  driver_.SetDown(1, true);
  driver_.refused.insert("backupBlock");
  driver_.reads.clear();
  const std::map<std::string, TagRead> reads = Round();
  EXPECT_EQ(driver_.reads.count(run), 0u);
  EXPECT_EQ(reads.at("01DW0100004").result, kResultRefused);
  EXPECT_EQ(reads.at("01DW0100004").failure,
            "address outside data block; read with the cache-block tag backupBlock, data block "
            "10, bytes 0 to 99 of PLC 2");
}

TagSpec Spec(const std::string& name, const std::string& address) {
  TagSpec spec;
  spec.name = name;
  spec.address = address;
  spec.hostType = kHostWord;
  return spec;
}

// A reload whose cache-block tag goes or is renamed, or whose plan drops or moves a block, leaves a
// slot that nobody refreshes unless the instance is initialised again; one that only adds tags
// keeps the instance.
TEST(BridgeReloadSlotsTest, TheInstanceIsInitialisedAgainExactlyWhenItsSlotsWouldChange) {
  const std::vector<TagSpec> base = {Spec("blk", "01TB01000000010"), Spec("a", "01DW0100002"),
                                     Spec("b", "01DW0100100"), Spec("c", "01DW0100102")};
  const struct {
    const char* what;
    std::vector<TagSpec> file;
    bool initialised;
  } cases[] = {
      {"the same file", base, false},
      {"a tag alone added", {base[0], base[1], base[2], base[3], Spec("d", "02DW0100002")}, false},
      {"a block added behind",
       {base[0], base[1], base[2], base[3], Spec("d", "01DW0100500"), Spec("e", "01DW0100502")},
       false},
      {"the cache-block tag renamed",
       {Spec("blk2", "01TB01000000010"), base[1], base[2], base[3]},
       true},
      {"the cache-block tag gone", {base[1], base[2], base[3]}, true},
      {"a block's tag gone", {base[0], base[1], base[2]}, true},
      {"a block moved", {base[0], base[1], base[2], base[3], Spec("d", "01DW0100104")}, true},
  };
  for (const auto& c : cases) {
    double now = 0;
    ScriptedDriver driver(now, 2);
    BridgeTable table(driver);
    table.Define(base);
    table.ReadRound();
    const TagReload reload = table.Reload(c.file);
    EXPECT_EQ(reload.initialised, c.initialised) << c.what;
    EXPECT_EQ(driver.inits, c.initialised ? 1 : 0) << c.what;
    table.ReadRound();
    for (const BridgeTag& tag : table.tags())
      EXPECT_EQ(tag.result, kResultDone) << c.what << ": " << tag.declared.name;
  }
}

TEST(BridgeReloadSlotsTest,
     AThousandReloadsThatRenameACacheBlockTagServeLiveValuesAndTakeEveryTag) {
  for (const bool plan : {true, false}) {
    double now = 0;
    ScriptedDriver driver(now, 2);
    BridgeTable table(driver, plan);
    const auto file = [](int version) {
      return std::vector<TagSpec>{Spec("blk" + std::to_string(version), "01TB01000000010"),
                                  Spec("a", "01DW0100002"), Spec("b", "01DW0100100"),
                                  Spec("c", "01DW0100102"), Spec("d", "02DW0100004")};
    };
    table.Define(file(0));
    for (int version = 1; version <= 1000; ++version) {
      driver.values["a"] = version;
      table.ReadRound();
      ASSERT_EQ(table.Find("a")->values.at(0).integer, version) << version;
      table.Reload(file(version));
    }
    driver.values["a"] = 4321;
    driver.values["c"] = 99;
    table.ReadRound();
    EXPECT_EQ(table.refused(), 0);
    EXPECT_EQ(table.Find("a")->valueJson, "4321");
    EXPECT_EQ(table.Find("c")->valueJson, "99");
    EXPECT_EQ(table.Find("blk1000")->result, kResultDone);
    EXPECT_EQ(driver.inits, 1000);
    EXPECT_LE(HeldSlots(*driver.state()).size(), 2u);
  }
}

// What an Init of a reload leaves behind: a kept tag that the driver refuses now has no value any
// more, and the PLCs' states are the new instance's (a PLC that Init connected is not warm-started
// as though it were still down).
TEST(BridgeReloadSlotsTest, AReloadThatInitialisesTakesThePlcStatesAndClearsTheRefusedValues) {
  double now = 0;
  ScriptedDriver driver(now, 2);
  BridgeTable table(driver);
  const std::vector<TagSpec> file = {Spec("blk", "01TB01000000010"), Spec("a", "01DW0100002"),
                                     Spec("b", "02DW0100002")};
  table.Define(file);
  driver.values["b"] = 5;
  driver.SetDown(1, true);
  table.ReadRound();
  table.UpdatePlcs();
  ASSERT_EQ(table.Find("b")->valueJson, "5");
  ASSERT_TRUE(table.plcs()[0].down);
  driver.SetDown(1, false, false);  // back, and the driver does not know it yet
  driver.refusedDefinitions.insert("b");
  const TagReload reload = table.Reload({Spec("blk2", "01TB01000000010"), file[1], file[2]});
  ASSERT_TRUE(reload.initialised);
  EXPECT_FALSE(table.plcs()[0].down);
  const BridgeTag& b = *table.Find("b");
  EXPECT_EQ(b.result, kResultRefused);
  EXPECT_EQ(b.valueJson, "null");
  EXPECT_TRUE(b.values.empty());
}

// Each tag that a reload removes or changes, and each of the plan's own tags that its new plan no
// longer has, is forgotten (its value buffer, its heartbeat): nothing grows with the reloads.
TEST(BridgeReloadSlotsTest, WhatAReloadRemovesOrChangesIsForgotten) {
  double now = 0;
  ScriptedDriver driver(now, 2);
  BridgeTable table(driver);
  table.Define({Spec("a", "01DW0100002"), Spec("b", "01DW0100004"), Spec("c", "02DW0100002")});
  table.ReadRound();
  ASSERT_EQ(table.plan().reads.size(), 1u);
  const int32_t block = table.plan().reads[0].tag.tagId;
  const int32_t b = table.Find("b")->tag.tagId;
  const int32_t c = table.Find("c")->tag.tagId;
  table.Reload({Spec("a", "01DW0100002"), Spec("c", "02DW0100004")});
  EXPECT_EQ(driver.forgotten, (std::vector<int32_t>{b, c, block}));
}

// A reload that keeps the instance plans for the PDU sizes that its plan was made for: a PDU
// learnt since (the PLC was down at the start) moves no block, and only an Init that the file
// calls for anyway plans for it.
TEST(BridgeReloadSlotsTest, APduLearntSinceTheStartMovesNoBlockUntilAnInit) {
  double now = 0;
  ScriptedDriver driver(now, 2);
  BridgeTable table(driver);
  // Two blocks at PDU 240 (222 bytes an answer: one block over all would take two requests as
  // well), one at PDU 960.
  const std::vector<TagSpec> file = {Spec("a", "01DW0100000"), Spec("b", "01DW0100002"),
                                     Spec("c", "01DW0100300"), Spec("d", "01DW0100302")};
  table.Define(file);
  ASSERT_EQ(table.plan().reads.size(), 2u);
  driver.pdus[1] = 960;
  table.ReadRound();
  TagReload reload = table.Reload(file);
  EXPECT_FALSE(reload.initialised);
  EXPECT_EQ(table.plan().reads.size(), 2u);
  std::vector<TagSpec> more = file;
  more.push_back(Spec("e", "02DW0100000"));
  reload = table.Reload(more);
  EXPECT_FALSE(reload.initialised);
  more.push_back(Spec("blk", "02TB01000000010"));
  reload = table.Reload(more);
  EXPECT_TRUE(reload.initialised);
  EXPECT_EQ(table.plan().reads.size(), 1u);
  table.ReadRound();
  for (const BridgeTag& tag : table.tags())
    EXPECT_EQ(tag.result, kResultDone) << tag.declared.name;
}

}  // namespace
}  // namespace zanhost::testing

// The completion wait of a write and the cache blocks that a write updates.
#include <gtest/gtest.h>

#include <algorithm>

#include "write/write_fixture.h"

namespace zan::testing {
namespace {

class WriteToPlcTest : public WriteTest {
 protected:
  // Slot `slot` holds bytes start..start+length-1 of data block `dataBlock` of `plcNumber`, each
  // byte 0xEE.
  void Block(int slot, uint16_t plcNumber, uint16_t dataBlock, uint16_t start, uint16_t length,
             int32_t valid = 1) {
    CacheBlock& block = state().cache[slot];
    block.tagId = 100 + slot;
    block.plcNumber = plcNumber;
    block.dbNumber = dataBlock;
    block.start = start;
    block.length = length;
    block.valid = valid;
    std::fill(std::begin(block.data), std::end(block.data), 0xEE);
  }

  Bytes BlockBytes(int slot, int from, int count) {
    const uint8_t* data = state().cache[slot].data;
    return Bytes(data + from, data + from + count);
  }
};

TEST_F(WriteToPlcTest, CompletionAnswers) {
  struct Row {
    const char* name;
    std::vector<int> answers;  // then 6 (not yet) for ever
    std::vector<uint16_t> statuses;
    int32_t timeout;
    int32_t result;
    int polls;
    std::size_t sleepCount;  // of 1 ms, one after each "not yet"
    const char* failure;     // the line logged, or nullptr
  };
  const Row rows[] = {
      {"complete at once", {0}, {}, 100, 0, 1, 0, nullptr},
      {"not yet, then complete", {6, 7, 6, 0}, {}, 100, 0, 4, 3, nullptr},
      {"only the low 16 bits count", {0x10000}, {}, 100, 0, 1, 0, nullptr},
      {"never complete", {}, {}, 5, 2, 5, 5, "ZanDOR: Write Tag 01DW0100020 Failed, rc=6,0"},
      {"refused with a status",
       {0},
       {5},
       100,
       1,
       1,
       0,
       "ZanDOR: Write Tag 01DW0100020 Failed, rc=0,5"},
      {"refused", {12}, {}, 100, 1, 1, 0, "ZanDOR: Write Tag 01DW0100020 Failed, rc=12,0"},
      {"connection failed",
       {6, 9},
       {},
       100,
       2,
       2,
       1,
       "ZanDOR: Write Tag 01DW0100020 Failed, rc=9,0"},
      {"busy", {3}, {}, 100, 2, 1, 0, "ZanDOR: Write Tag 01DW0100020 Failed, rc=3,0"},
      {"no time-out still asks once",
       {},
       {},
       0,
       2,
       1,
       1,
       "ZanDOR: Write Tag 01DW0100020 Failed, rc=6,0"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    state().timeout = row.timeout;
    transport().Fallback(Op::kWriteCompletion, 6);
    for (int answer : row.answers)
      transport().Script(Op::kWriteCompletion, {answer});
    for (uint16_t status : row.statuses)
      transport().ScriptCompletionStatus({status});
    Block(0, kS7, 10, 0, 100);
    Bytes host = Words({0x1234});
    TagItem item = Item(kS7, kKindWord, 10, 10, 1, host);
    const std::size_t sleepsBefore = sleeps().size();

    EXPECT_EQ(WriteBlock(item), row.result);
    EXPECT_EQ(transport().Count(Op::kWriteCompletion), row.polls);
    for (const TransportCall& call : transport().CallsOf(Op::kWriteCompletion))
      EXPECT_EQ(call.handle, 11u);
    EXPECT_EQ(sleeps().size() - sleepsBefore, row.sleepCount);
    for (std::size_t i = sleepsBefore; i < sleeps().size(); ++i)
      EXPECT_EQ(sleeps()[i], 1u);
    EXPECT_EQ(log(), row.failure ? Lines{row.failure} : Lines{});
    EXPECT_EQ(plc(kS7).linkState, row.result);
    EXPECT_EQ(BlockBytes(0, 20, 2), (row.result == 0 ? Bytes{0x12, 0x34} : Bytes{0xEE, 0xEE}));
  }
}

TEST_F(WriteToPlcTest, CacheBlocksThatHoldTheWholeWrite) {
  struct Row {
    const char* name;
    int32_t plcNumber;
    int32_t kind;
    uint16_t dataBlock, offset;
    int32_t valid;
    Bytes block;  // bytes 96..99 of slot 0 afterwards
  };
  const Bytes untouched = {0xEE, 0xEE, 0xEE, 0xEE};
  const Row rows[] = {
      {"covered", kS7, kKindDoubleWord, 10, 49, 1, {0x12, 0x34, 0x56, 0x78}},
      {"covered, odd byte", kS7, kKindWordOddByte, 10, 98, 1, {0xEE, 0x12, 0x34, 0xEE}},
      {"partly covered", kS7, kKindDoubleWordHalf, 10, 49, 1, untouched},
      {"no valid data", kS7, kKindDoubleWord, 10, 49, 0, untouched},
      {"never fetched", kS7, kKindDoubleWord, 10, 49, kCacheNeverFetched, untouched},
      {"another data block", kS7, kKindDoubleWord, 11, 49, 1, untouched},
      {"another PLC", kType6, kKindDoubleWord, 10, 98, 1, untouched},
      {"input bytes", kS7, kKindInputByte, 0, 196, 1, untouched},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Block(0, kS7, row.dataBlock == 0 ? 0 : 10, 100, 100, row.valid);
    Block(1, kS7, 0, 0, 1000);  // inputs are never cached, not even by a block of data block 0
    Bytes host = {0x78, 0x56, 0x34, 0x12};
    if ((row.kind & 0xFF) != kKindDoubleWord && (row.kind & 0xFF) != kKindDoubleWordHalf)
      host = Words({0x1234, 0x1234});
    TagItem item = Item(row.plcNumber, row.kind, row.dataBlock, row.offset, 1, host);
    EXPECT_EQ(WriteBlock(item), kResultDone);
    EXPECT_EQ(BlockBytes(0, 96, 4), row.block);
    EXPECT_EQ(BlockBytes(1, 196, 4), untouched);
    EXPECT_EQ(state().cache[0].valid, row.valid);
  }
}

TEST_F(WriteToPlcTest, TraceLinesForThePlcAndEachBlockInSlotOrder) {
  state().commTrace = 1;
  Block(4, kS7, 10, 0, 1000);
  Block(2, kS7, 10, 100, 100);
  Block(3, kS7, 10, 100, 100, 0);
  state().cache[7] = state().cache[2];
  state().cache[7].tagId = kCacheSlotFree;  // a free slot holds no block
  Bytes host = {0x78, 0x56, 0x34, 0x12};
  TagItem item = Item(kS7, kKindDoubleWord, 10, 49, 1, host, "01DD0100196");
  EXPECT_EQ(WriteBlock(item), kResultDone);
  EXPECT_EQ(log(),
            (Lines{
                "ZanDOR: COMM_TRACE: Write Tag with id 7 and address 01DD0100196 to PLC, Len=4",
                "ZanDOR: COMM_TRACE: Write Tag with id 7 and address 01DD0100196 to Cache, "
                "Len=4, ArrayIndex=2",
                "ZanDOR: COMM_TRACE: Write Tag with id 7 and address 01DD0100196 to Cache, "
                "Len=4, ArrayIndex=4",
            }));
  EXPECT_EQ(BlockBytes(2, 96, 4), (Bytes{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(BlockBytes(4, 196, 4), (Bytes{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(BlockBytes(7, 96, 4), (Bytes{0xEE, 0xEE, 0xEE, 0xEE}));

  // A failed write logs its line after the trace and touches no block.
  transport().Script(Op::kWriteCompletion, {12});
  EXPECT_EQ(WriteBlock(item), kResultRefused);
  EXPECT_EQ(log(),
            (Lines{
                "ZanDOR: COMM_TRACE: Write Tag with id 7 and address 01DD0100196 to PLC, Len=4",
                "ZanDOR: Write Tag 01DD0100196 Failed, rc=12,0",
            }));
}

}  // namespace
}  // namespace zan::testing

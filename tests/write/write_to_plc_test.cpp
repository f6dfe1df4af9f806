// The completion wait of a write, and the cache blocks that a write updates.
#include <gtest/gtest.h>

#include <algorithm>

#include "write/write_fixture.h"

namespace zan::testing::writing {
namespace {

class WriteToPlcTest : public WriteTest {
 protected:
  // Slot `slot` holds bytes 100..199 of data block `dataBlock` of PLC 1, each 0xEE.
  void Block(int slot, uint16_t dataBlock, int32_t valid = 1) {
    state().cache[slot] = CacheBlock{100 + slot, {}, valid, kS7, dataBlock, 100, 100};
    std::fill_n(state().cache[slot].data, kCacheBlockBytes, 0xEE);
  }
  Bytes At196(int slot) {
    return Bytes(state().cache[slot].data + 96, state().cache[slot].data + 100);
  }
};

TEST_F(WriteToPlcTest, CompletionAnswers) {
  // clang-format off
  struct Row {
    const char* name; std::vector<int> answers;  // then 6, "not yet", for ever
    uint16_t status; int32_t timeout, result, polls, sleepCount;  // 1 ms after each "not yet"
    const char* rc;  // of the failure line
  } rows[] = {
    {"complete at once", {0}, 0, 100, 0, 1, 0, nullptr},
    {"not yet, then complete", {6, 7, 6, 0x10000}, 0, 100, 0, 4, 3, nullptr},
    {"never complete", {}, 0, 5, 2, 5, 5, "6,0"},
    {"no time-out still asks once", {}, 0, 0, 2, 1, 1, "6,0"},
    {"refused with a status", {0}, 5, 100, 1, 1, 0, "0,5"},
    {"refused", {12}, 0, 100, 1, 1, 0, "12,0"},
    {"connection failed", {6, 9}, 0, 100, 2, 2, 1, "9,0"},
    {"busy", {3}, 0, 100, 2, 1, 0, "3,0"},
  };
  // clang-format on
  transport().Fallback(Op::kWriteCompletion, 6);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    state().timeout = row.timeout;
    for (int answer : row.answers)
      transport().Script(Op::kWriteCompletion, {answer});
    transport().CompletionStatus(row.status);
    Block(0, 10);
    Bytes host = Hex("3412");
    TagItem item = Item(kS7, kKindWord, 98, 1, host);  // bytes 196, 197
    const std::size_t sleepsBefore = sleeps().size();
    EXPECT_EQ(Command(kCommandWriteBlock, item), row.result);
    EXPECT_EQ(transport().Count(Op::kWriteCompletion), row.polls);
    EXPECT_EQ(sleeps().size() - sleepsBefore, static_cast<std::size_t>(row.sleepCount));
    const std::string failure =
        std::string("ZanDOR: Write Tag 01DW0100020 Failed, rc=") + (row.rc ? row.rc : "");
    EXPECT_EQ(log(), row.rc ? std::vector<std::string>{failure} : std::vector<std::string>{});
    EXPECT_EQ(plc(kS7).linkState, row.result);
    EXPECT_EQ(At196(0), Hex(row.result == 0 ? "1234EEEE" : "EEEEEEEE"));
  }
  EXPECT_TRUE(std::all_of(sleeps().begin(), sleeps().end(), [](uint32_t ms) { return ms == 1; }));
}

TEST_F(WriteToPlcTest, CacheBlocksThatHoldTheWholeWriteWithTheirTraceLines) {
  // clang-format off
  struct Row {
    const char* name; int32_t plcNumber, kind; uint16_t dataBlock, offset; int32_t valid;
    const char* block;             // bytes 196..199 of slot 0 afterwards
    std::vector<int> updatedSlots;  // slot 3 holds all of data block 10 of PLC 1
  } rows[] = {
    {"covered", kS7, kKindDoubleWord, 10, 49, 1, "12345678", {0, 3}},
    {"covered, odd byte", kS7, kKindWordOddByte, 10, 98, 1, "EE5678EE", {0, 3}},
    {"float at byte 4 off + 1", kS7, kKindFloatOddByte, 10, 48, 1, "78EEEEEE", {0, 3}},
    {"partly covered", kS7, kKindDoubleWordHalf, 10, 49, 1, "EEEEEEEE", {3}},
    {"no valid data", kS7, kKindDoubleWord, 10, 49, kCacheNeverFetched, "EEEEEEEE", {3}},
    {"another data block", kS7, kKindDoubleWord, 11, 49, 1, "EEEEEEEE", {}},
    {"another PLC", kType6, kKindDoubleWord, 10, 98, 1, "EEEEEEEE", {}},
    {"inputs, beside a block of data block 0", kS7, kKindInputByte, 0, 196, 1, "EEEEEEEE", {}},
  };
  // clang-format on
  state().commTrace = 1;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Block(0, row.dataBlock == 0 ? 0 : 10, row.valid);
    state().cache[3] = CacheBlock{9, {}, 1, kS7, 10, 0, 1000};
    Bytes host = Hex("78563412");
    TagItem item = Item(row.plcNumber, row.kind, row.offset, 1, host);
    item.address = (row.dataBlock << 16) | row.offset;
    EXPECT_EQ(Command(kCommandWriteBlock, item), kResultDone);
    EXPECT_EQ(At196(0), Hex(row.block));
    EXPECT_EQ(state().cache[0].valid, row.valid);
    const int length = transport().CallsOf(Op::kSendWrite).back().record.length;
    const std::string to = "ZanDOR: COMM_TRACE: Write Tag with id 7 and address 01DW0100020 to ";
    std::vector<std::string> lines = {to + "PLC, Len=" + std::to_string(length)};
    for (int slot : row.updatedSlots)
      lines.push_back(to + "Cache, Len=" + std::to_string(length) +
                      ", ArrayIndex=" + std::to_string(slot));
    EXPECT_EQ(log(), lines);
  }
}

}  // namespace
}  // namespace zan::testing::writing

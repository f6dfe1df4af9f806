// The completion wait of a write, and the cache blocks that a write updates.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/tag_fixture.h"

namespace zan::testing {
namespace {

class WriteToPlcTest : public TagFixture {
 protected:
  // Slot 0 holds bytes 100..199 of data block `dataBlock` of PLC 1, each kUnwritten.
  void Block(uint16_t dataBlock, int32_t valid = 1) {
    state().cache[0] = CacheBlock{100, {}, valid, 1, dataBlock, 100, 100};
    std::fill_n(state().cache[0].data, kCacheBlockBytes, kUnwritten);
  }
  Bytes At196() { return Bytes(state().cache[0].data + 96, state().cache[0].data + 100); }
};

TEST_F(WriteToPlcTest, CompletionAnswers) {
  // clang-format off
  const struct {
    const char* name; std::vector<int> answers;  // then 6, "not yet", for ever
    uint16_t status; int32_t timeout, result, polls, sleepCount;  // 1 ms after a "not yet"
    const char* rc;  // of the failure line
  } rows[] = {
    {"not yet, then complete", {6, 7, 6, 0x10000}, 0, 100, 0, 4, 3, nullptr},
    {"never complete: polls until the deadline, and at it", {}, 0, 5, 2, 6, 5, "6,0"},
    {"no time-out still asks once", {}, 0, 0, 2, 1, 0, "6,0"},
    {"refused with a status", {0}, 5, 100, 1, 1, 0, "0,5"},
    {"refused", {12}, 0, 100, 1, 1, 0, "12,0"},
    {"busy", {3}, 0, 100, 2, 1, 0, "3,0"},
    {"broken", {9}, 0, 100, 2, 1, 0, "9,0"},
    {"no connection has the handle", {2}, 0, 100, 2, 1, 0, "2,0"},
  };
  // clang-format on
  transport().Fallback(Op::kWriteCompletion, 6);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    state().timeout = row.timeout;
    for (int answer : row.answers)
      transport().Script(Op::kWriteCompletion, {answer});
    transport().CompletionStatus(row.status);
    Block(10);
    TagItem item = Tag("01DW0100196");
    std::copy_n(Hex("3412").begin(), 2, values.begin());
    const std::size_t before = sleeps().size();
    EXPECT_EQ(Write(item), row.result);
    EXPECT_EQ(transport().Count(Op::kWriteCompletion), row.polls);
    EXPECT_EQ(std::vector<uint32_t>(sleeps().begin() + before, sleeps().end()),
              std::vector<uint32_t>(row.sleepCount, 1));
    Lines failure;
    if (row.rc)
      failure.push_back(std::string("ZanDOR: Write Tag 01DW0100196 Failed, rc=") + row.rc);
    EXPECT_EQ(log(), failure);
    EXPECT_EQ(plc(1).linkState, row.result);
    EXPECT_EQ(At196(), Hex(row.result == 0 ? "1234EEEE" : "EEEEEEEE"));
  }
}

// A completion that came during the last sleep of the wait is taken: the write is done, and the
// host is not told that the PLC could not be reached. One that comes after the wait is not.
TEST_F(WriteToPlcTest, ACompletionInWhenTheWaitEndsIsTaken) {
  for (const uint64_t arrival : {999, 1000, 1001}) {
    SCOPED_TRACE("completion " + std::to_string(arrival) + " ms after the send");
    TearDown();
    SetUp();
    transport().Fallback(Op::kWriteCompletion, 6);
    Block(10);
    TagItem item = Tag("01DW0100196");
    std::copy_n(Hex("3412").begin(), 2, values.begin());
    const uint64_t start = now();
    transport().AnswerFrom(Op::kWriteCompletion, start + arrival, 0);
    const bool inTime = arrival <= 1000;
    EXPECT_EQ(Write(item), inTime ? 0 : 2);
    EXPECT_EQ(now() - start, inTime ? arrival : 1000u) << "the wait ends at the deadline";
    EXPECT_EQ(At196(), Hex(inTime ? "1234EEEE" : "EEEEEEEE"));
    EXPECT_EQ(log(), inTime ? Lines{} : Lines{"ZanDOR: Write Tag 01DW0100196 Failed, rc=6,0"});
  }
}

// The send of a write is judged as a read's: a connection that cannot carry it is a PLC that cannot
// be reached, a busy transport is asked again, and an earlier answer still on its way costs the
// write.
TEST_F(WriteToPlcTest, SendAnswers) {
  // clang-format off
  const struct {
    const char* name; std::vector<int> sends, completions; int32_t result;
    int completionCount; std::vector<uint32_t> sleeps; const char* rc;
  } rows[] = {
    {"dead link: no completion waited for", {9}, {}, 2, 0, {}, "9,0"},
    {"no connection has the handle", {2}, {}, 2, 0, {}, "2,0"},
    {"busy twice, then sent", {3, 3, 0}, {0}, 0, 1, {10, 10}, nullptr},
    {"busy, then broken", {3, 9}, {}, 2, 0, {10}, "9,0"},
    {"an earlier answer on its way, then dropped", {14}, {14, 14, 8}, 1, 3, {1, 1, 1}, "14,0"},
  };
  // clang-format on
  transport().Fallback(Op::kWriteCompletion, 6);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ClearLog();
    transport().ClearCalls();
    for (int answer : row.sends)
      transport().Script(Op::kSendWrite, {answer});
    for (int answer : row.completions)
      transport().Script(Op::kWriteCompletion, {answer});
    TagItem item = Tag("01DW0100196");
    const std::size_t before = sleeps().size();
    EXPECT_EQ(Write(item), row.result);
    EXPECT_EQ(transport().Count(Op::kSendWrite), static_cast<int>(row.sends.size()));
    EXPECT_EQ(transport().Count(Op::kWriteCompletion), row.completionCount);
    EXPECT_EQ(std::vector<uint32_t>(sleeps().begin() + before, sleeps().end()), row.sleeps);
    Lines failure;
    if (row.rc)
      failure.push_back(std::string("ZanDOR: Write Tag 01DW0100196 Failed, rc=") + row.rc);
    EXPECT_EQ(log(), failure);
  }

  // A PLC without a connection is not asked: 2, as a read gives.
  ClearLog();
  transport().ClearCalls();
  plc(1).readConnection = 0;
  TagItem item = Tag("01DW0100196");
  EXPECT_EQ(Write(item), 2);
  EXPECT_TRUE(transport().calls().empty());
  EXPECT_TRUE(log().empty());
  EXPECT_EQ(plc(1).linkState, kLinkFailed);
}

TEST_F(WriteToPlcTest, CacheBlocksThatHoldTheWholeWriteWithTheirTraceLines) {
  // clang-format off
  const struct {
    const char* text; int32_t hostType, valid;
    const char* block;              // bytes 196..199 of slot 0 afterwards
    std::vector<int> updatedSlots;  // slot 3 holds all of data block 10 of PLC 1
  } rows[] = {
    {"01DW0100197", 1, 1, "EE5678EE", {0, 3}},  // a word at an odd byte
    {"01DF0100193", 3, 1, "78EEEEEE", {0, 3}},  // a float at byte 4n + 1
    {"01DD0100198", 4, 1, "EEEEEEEE", {3}},     // partly covered
    {"01DD0100196", 4, kCacheNeverFetched, "EEEEEEEE", {3}},
    {"01DD0110196", 4, 1, "EEEEEEEE", {}},      // another data block
    {"04DD0100196", 4, 1, "EEEEEEEE", {}},      // another PLC
    {"01IB0196", 1, 1, "EEEEEEEE", {}},         // inputs, beside a block of data block 0
  };
  // clang-format on
  state().commTrace = 1;
  state().floatOddAddress = 1;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    Block(row.text[2] == 'I' ? 0 : 10, row.valid);
    state().cache[3] = CacheBlock{9, {}, 1, 1, 10, 0, 1000};
    TagItem item = Tag(row.text, row.hostType);
    std::copy_n(Hex("78563412").begin(), 4, values.begin());
    EXPECT_EQ(Write(item), kResultDone);
    EXPECT_EQ(At196(), Hex(row.block));
    EXPECT_EQ(state().cache[0].valid, row.valid);
    const std::string length =
        std::to_string(transport().CallsOf(Op::kSendWrite).back().record.length);
    const std::string to =
        "ZanDOR: COMM_TRACE: Write Tag with id 7 and address " + std::string(row.text) + " to ";
    Lines lines = {to + "PLC, Len=" + length};
    for (int slot : row.updatedSlots)
      lines.push_back(to + "Cache, Len=" + length + ", ArrayIndex=" + std::to_string(slot));
    EXPECT_EQ(log(), lines);
  }
}

}  // namespace
}  // namespace zan::testing

// ReadFromPlc: the block cache and the transport's answers.
#include <gtest/gtest.h>

#include <numeric>

#include "support/tag_fixture.h"

namespace zan::testing {
namespace {

using ReadTest = TagFixture;
constexpr const char* kBlock = "01TB01001000100";  // PLC 1, data block 10, bytes 100 to 199

TEST_F(ReadTest, CacheBlocksAreFetchedAndServeTheReadsTheyHold) {
  TagItem block = Tag(kBlock, 1, 1, 50);
  Tag("01TB00000000100", 1, 1, 51);  // data block 0: input reads never use it
  for (int32_t tagId : {49, kCacheSlotFree}) {
    block.tagId = tagId;
    EXPECT_EQ(Read(block), 1);
    EXPECT_EQ(log(), Lines{"ZanDOR: internal error in ReadFromPlc()"});
    EXPECT_TRUE(transport().calls().empty());
  }
  block.tagId = 50;
  plc(1).readConnection = 0;
  EXPECT_EQ(Read(block), 2);
  EXPECT_EQ(state().cache[0].valid, kCacheNeverFetched) << "never fetched stays so";
  TagItem word = Tag("01DW0100198");
  EXPECT_EQ(Read(word), 1) << "nor does it serve reads";
  plc(1).readConnection = 5;
  state().commTrace = 1;
  Bytes data(100);
  std::iota(data.begin(), data.end(), 0);  // byte n of the block holds n
  transport().ReadData(data);
  EXPECT_EQ(Read(block), 0);
  EXPECT_EQ(Sent(Op::kSendRead), Lines{"103 c=5 a=1 db=10 s=100 l=100"});
  EXPECT_EQ(log(), Lines{"ZanDOR: COMM_TRACE: Read Tag with id 50 and address 01TB01001000100 "
                         "from PLC, Len=100"});
  EXPECT_EQ(Values(3), Hex("00 00 EE"));

  // clang-format off
  const struct { const char* text; int sends; const char* host; } cases[] = {
      {"01DW0100198", 0, "63 62"}, {"01DW0100199", 1, "00 00"}, {"04DW0100198", 1, "00 00"},
      {"01DB0100100", 0, "00 00"}, {"01IW0010", 1, "00 00"}};
  // clang-format on
  transport().ReadData({0, 0});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    plc(c.text[1] - '0').linkState = kLinkFailed;  // a cache hit still records success
    TagItem item = Tag(c.text);
    EXPECT_EQ(Read(item), 0);
    EXPECT_EQ(transport().Count(Op::kSendRead), c.sends);
    EXPECT_EQ(Values(2), Hex(c.host));
    EXPECT_EQ(plc(c.text[1] - '0').linkState, kLinkConnected);
  }
  transport().Script(Op::kReceiveRead, {12});
  EXPECT_EQ(Read(block), 1);
  EXPECT_EQ(state().cache[0].valid, 0);

  // The first block that holds the request decides, even when a later one is valid.
  Tag("01TB01000000200", 1, 1, 52);
  state().cache[2].valid = 1;
  TagItem item = Tag("01DW0100198");
  EXPECT_EQ(Read(item), 1);
  EXPECT_TRUE(transport().calls().empty());
  EXPECT_EQ(plc(1).linkState, kLinkUntriedOrRefused);
  EXPECT_EQ(log(), Lines{"ZanDOR: COMM_TRACE: Read Tag with id 7 and address 01DW0100198 from "
                         "Cache failed, no valid data in cache"});
}

TEST_F(ReadTest, TransportAnswers) {
  // Enough "not yet" for a poll at every millisecond of a time-out of 100 ms, and one at its end.
  const std::vector<int> sixes(101, 6), busy(21, 3), fourteens(10, 14);
  const std::vector<uint32_t> milliseconds(100, 1), retries(20, 10);
  // Busy twice: the wait for the answer counts from the send that went out.
  std::vector<uint32_t> retriedThenPolled(25, 1);
  retriedThenPolled.insert(retriedThenPolled.begin(), {10, 10});
  // clang-format off
  const struct {
    int plc; int32_t timeout; std::vector<int> sends, receives; uint16_t status;
    int32_t result; int sendCount, receiveCount; std::vector<uint32_t> sleeps;
    const char* failure;  // the end of the failure line, or nullptr
  } cases[] = {
    {2, 1000, {3, 3, 0}, {}, 0, 0, 3, 1, {10, 40, 10, 40}, nullptr},  // S5 busy
    {1, 1000, {3, 9, 0}, {}, 0, 2, 2, 0, {10}, nullptr},   // busy, then a failure: no retry mends it
    {1, 1000, {3, 12}, {}, 0, 2, 2, 0, {10}, nullptr},     // busy, then any other answer
    {1, 1000, busy, {}, 0, 2, 21, 0, retries, nullptr},
    {2, 120, busy, {}, 0, 2, 3, 0, {10, 40, 10, 40, 10, 10}, nullptr},  // retries within the time-out
    {1, 1000, {14}, {0}, 0, 1, 1, 1, {1}, nullptr},              // pending: collected and dropped
    {1, 1000, {14}, {14, 14, 8}, 0, 1, 1, 3, {1, 1, 1}, nullptr},  // waited for until dropped
    {1, 5, {14}, fourteens, 0, 1, 1, 5, {1, 1, 1, 1, 1}, nullptr},  // but not past the time-out
    {1, 1000, {0, 0}, {3, 6, 0}, 0, 0, 2, 3, {50, 1}, nullptr},  // lost, sent again
    {1, 1000, {0, 3}, {9, 0}, 0, 0, 2, 2, {50}, nullptr},        // sent again, link not up yet
    {1, 1000, {0, 9}, {9}, 0, 2, 2, 1, {}, "Len=2 rc=9,0"},      // dead link: no waiting
    {1, 1000, {0, 9}, {3}, 0, 2, 2, 1, {}, "Len=2 rc=9,0"},
    {1, 3, {0, 0}, {6, 6, 9, 6}, 0, 2, 2, 4, {1, 1, 1}, "Len=2 rc=6,0"},  // lost at the deadline
    {1, 30, {0, 0}, {6, 3, 6}, 0, 2, 2, 3, {1, 29}, "Len=2 rc=6,0"},     // no wait past it
    {1, 1000, {0}, {0}, 3, 1, 1, 1, {}, "Len=2 rc=0,3"},
    {2, 1000, {0}, {12}, 0, 1, 1, 1, {}, "Len=1 rc=12,0"},
    {1, 1000, {0}, {2}, 0, 2, 1, 1, {}, "Len=2 rc=2,0"},  // no connection has the handle
    {1, 0, {0}, {6}, 0, 2, 1, 1, {}, "Len=2 rc=6,0"},                  // no time: one poll
    {1, 100, {0}, sixes, 0, 2, 1, 101, milliseconds, "Len=2 rc=6,0"},  // to the deadline, at it
    {1, 25, {3, 3, 0}, sixes, 0, 2, 3, 26, retriedThenPolled, "Len=2 rc=6,0"},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    TearDown();
    SetUp();
    state().timeout = c.timeout;
    for (int answer : c.sends)
      transport().Script(Op::kSendRead, {answer});
    for (int answer : c.receives)
      transport().Script(Op::kReceiveRead, {answer});
    transport().ReceiveStatus(c.status);
    const std::string text = c.plc == 1 ? "01DW0100020" : "02DW0100020";
    TagItem item = Tag(text.c_str());
    EXPECT_EQ(Read(item), c.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), c.sendCount);
    EXPECT_EQ(transport().Count(Op::kReceiveRead), c.receiveCount);
    EXPECT_EQ(sleeps(), c.sleeps);
    Lines expected;
    if (c.failure) expected.push_back("ZanDOR: Read Tag " + text + " Failed, " + c.failure);
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(plc(c.plc).linkState, c.result);
    if (c.result != 0) {
      EXPECT_EQ(Values(2), Hex("EE EE"));
    }
  }
}

TEST_F(ReadTest, AnswerWaitEndsAtTheDeadlineWhateverASleepLasts) {
  // A platform whose shortest sleep is a scheduler tick: the wait still lasts the time-out.
  SleepTick(16);
  transport().Fallback(Op::kReceiveRead, 6);
  TagItem item = Tag("01DW0100020");
  const uint64_t start = now();
  EXPECT_EQ(Read(item), 2);
  EXPECT_EQ(now() - start, 1008u);                     // 63 ticks: the first at or after 1000 ms
  EXPECT_EQ(transport().Count(Op::kReceiveRead), 64);  // one before each tick, one at the last
  EXPECT_EQ(log(), Lines{"ZanDOR: Read Tag 01DW0100020 Failed, Len=2 rc=6,0"});

  // A time-out longer than the connection request block carries: the driver gives up when the
  // block's 65535 ms have passed, before the transport gives up on the answer.
  SleepTick(0);
  ClearLog();
  state().timeout = 100000;
  const uint64_t longStart = now();
  EXPECT_EQ(Read(item), 2);
  EXPECT_EQ(now() - longStart, 65535u);
}

TEST_F(ReadTest, AnAnswerWholeWhenTheWaitEndsIsTaken) {
  // The wait's last sleep ends at the deadline, or at the first tick after it where the shortest
  // sleep is a tick. An answer that arrived by then is taken; one that comes later is not; and the
  // wait never goes on past that moment.
  const struct {
    uint32_t tick;
    uint64_t waitEnds;  // after the send
  } platforms[] = {{0, 1000}, {16, 1008}};
  for (const auto& platform : platforms) {
    for (const uint64_t arrival :
         {platform.waitEnds - 1, platform.waitEnds, platform.waitEnds + 1}) {
      SCOPED_TRACE("tick " + std::to_string(platform.tick) + ", answer whole " +
                   std::to_string(arrival) + " ms after the send");
      TearDown();
      SetUp();
      SleepTick(platform.tick);
      transport().Fallback(Op::kReceiveRead, 6);
      transport().ReadData(Hex("1234"));
      TagItem item = Tag("01DW0100020");
      const uint64_t start = now();
      transport().AnswerFrom(Op::kReceiveRead, start + arrival, 0);
      const bool inTime = arrival <= platform.waitEnds;
      EXPECT_EQ(Read(item), inTime ? 0 : 2);
      EXPECT_EQ(Values(2), Hex(inTime ? "3412" : "EEEE"));
      if (inTime) {
        EXPECT_LE(now() - start, platform.waitEnds);
      } else {
        EXPECT_EQ(now() - start, platform.waitEnds);
      }
      EXPECT_EQ(transport().Count(Op::kSendRead), 1);
      EXPECT_EQ(log(),
                inTime ? Lines{} : Lines{"ZanDOR: Read Tag 01DW0100020 Failed, Len=2 rc=6,0"});
    }
  }
}

TEST_F(ReadTest, ARequestFoundLostWhenTheWaitEndsIsNotSentAgain) {
  // Sent again then, it would leave an answer on its way that nobody waits for.
  for (const int lost : {3, 9}) {
    SCOPED_TRACE(lost);
    TearDown();
    SetUp();
    transport().Fallback(Op::kReceiveRead, 6);
    TagItem item = Tag("01DW0100020");
    const uint64_t start = now();
    transport().AnswerFrom(Op::kReceiveRead, start + 1000, lost);
    EXPECT_EQ(Read(item), 2);
    EXPECT_EQ(transport().Count(Op::kSendRead), 1);
    EXPECT_EQ(now() - start, 1000u);
    EXPECT_EQ(log(), Lines{"ZanDOR: Read Tag 01DW0100020 Failed, Len=2 rc=" + std::to_string(lost) +
                           ",0"});
  }
}

TEST_F(ReadTest, TypeSixWordsBeyondTheByteAddressesOfItsConnectionAreRefused) {
  // Word 32767 is bytes 65534 and 65535, the last that the record addresses; word 32768 is none.
  for (const int32_t word : {32767, 32768}) {
    SCOPED_TRACE(word);
    transport().ReadData(Hex("1234"));
    transport().Script(Op::kWriteCompletion, {0});
    TagItem item = Tag("03DW0100020");
    item.address = 10 << 16 | word;
    const int32_t expected = word == 32767 ? 0 : 1;
    EXPECT_EQ(Read(item), expected);
    EXPECT_EQ(transport().Count(Op::kSendRead), 1 - expected);
    EXPECT_EQ(Write(item), expected);
    EXPECT_EQ(Sent(Op::kSendWrite),
              word == 32767 ? Lines{"106 c=7 a=1 db=10 s=65534 l=2"} : Lines{});
    EXPECT_EQ(plc(3).linkState, expected) << "no data for this tag; the PLC is not lost";
  }
}

}  // namespace
}  // namespace zan::testing

// ReadFromPlc: the block cache, the transport's answers, and the requests refused before anything
// is touched.
#include <gtest/gtest.h>

#include <climits>

#include "read/read_fixture.h"

namespace zan::testing {
namespace {

using Lines = std::vector<std::string>;
using CacheTest = ReadTest;
using TransportAnswerTest = ReadTest;

// PLC 1, data block 10, bytes 100 to 199, registered as cache tag 50 in slot 0.
constexpr const char* kBlock = "01TB01001000100";

TEST_F(CacheTest, BlockFetchServesCoveredReadsOnly) {
  state().commTrace = 1;
  TagItem block = Tag(kBlock, 1, 1, 50);
  EXPECT_EQ(state().cache[0].valid, kCacheNeverFetched);
  Bytes data(100);
  for (int i = 0; i < 100; ++i)
    data[i] = static_cast<uint8_t>(i);
  transport().ReadData(data);
  EXPECT_EQ(Read(block), 0);
  EXPECT_EQ(SentRecords(), Lines{"c=5 a=1 db=10 s=100 l=100"});
  EXPECT_EQ(log(), Lines{"ZanDOR: COMM_TRACE: Read Tag with id 50 and address " +
                         std::string(kBlock) + " from PLC, Len=100"});
  EXPECT_EQ(state().cache[0].valid, 1);
  EXPECT_EQ(Values(3), (Bytes{0, 0, kUnwritten}));

  Tag("01TB00000000100", 1, 1, 51);  // data block 0: inputs are never served from it
  const struct {
    const char* text;
    int sends;
    Bytes host;
  } cases[] = {
      {"01DW0100198", 0, {99, 98}},  // bytes 98 and 99 of the block
      {"01DW0100199", 1, {0, 0}},    // one byte past the block
      {"04DW0100198", 1, {0, 0}},    // another PLC
      {"01DB0100100", 0, {0, 0}},   {"01IW0010", 1, {0, 0}},
  };
  transport().ReadData({0, 0});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    plc(c.text[1] - '0').linkState = kLinkFailed;  // a cache hit still records success
    TagItem item = Tag(c.text);
    EXPECT_EQ(Read(item), 0);
    EXPECT_EQ(transport().Count(Op::kSendRead), c.sends);
    EXPECT_EQ(Values(2), c.host);
    EXPECT_EQ(plc(c.text[1] - '0').linkState, kLinkConnected);
  }
  TagItem covered = Tag("01DW0100198");
  EXPECT_EQ(Read(covered), 0);
  EXPECT_EQ(log(), Lines{"ZanDOR: COMM_TRACE: Read Tag with id 7 and address 01DW0100198 from "
                         "Cache, Len=2"});
}

TEST_F(CacheTest, BlockWithoutValidDataRefusesWithoutAskingThePlc) {
  state().commTrace = 1;
  Tag(kBlock, 1, 1, 50);
  Tag("01TB01000000200", 1, 1, 51);  // slot 1 also holds byte 198, and is valid
  state().cache[1].valid = 1;
  TagItem item = Tag("01DW0100198");
  EXPECT_EQ(Read(item), 1);
  EXPECT_TRUE(transport().calls().empty());
  EXPECT_EQ(plc(1).linkState, kLinkNeverTried);
  EXPECT_EQ(log(), Lines{"ZanDOR: COMM_TRACE: Read Tag with id 7 and address 01DW0100198 from "
                         "Cache failed, no valid data in cache"});
}

TEST_F(CacheTest, FailedFetchesAndTagsWithoutSlot) {
  TagItem block = Tag(kBlock, 1, 1, 50);
  plc(1).readConnection = 0;
  EXPECT_EQ(Read(block), 2);
  EXPECT_EQ(state().cache[0].valid, kCacheNeverFetched) << "never fetched stays so";
  plc(1).readConnection = 5;
  EXPECT_EQ(Read(block), 0);
  transport().Script(Op::kReceiveRead, {12});
  EXPECT_EQ(Read(block), 1);
  EXPECT_EQ(state().cache[0].valid, 0);

  for (int32_t tagId : {49, kCacheSlotFree}) {
    block.tagId = tagId;
    EXPECT_EQ(Read(block), 1);
    EXPECT_EQ(log(), Lines{"ZanDOR: internal error in ReadFromPlc()"});
    EXPECT_TRUE(transport().calls().empty());
  }
}

TEST_F(TransportAnswerTest, SendAndReceiveAnswers) {
  const struct {
    const char* name;
    int plc;
    int32_t timeout;
    std::vector<int> sends, receives;
    std::vector<uint16_t> statuses;
    int32_t result;
    int sendCount, receiveCount;
    std::vector<uint32_t> sleeps;
    const char* failure;  // the failure line's "rc=..." part, or nullptr
  } cases[] = {
      {"busy four times", 1, 1000, {3, 3, 3, 3, 0}, {}, {}, 0, 5, 1, {10, 10, 10, 10}, nullptr},
      {"S5 busy twice", 2, 1000, {3, 3, 0}, {}, {}, 0, 3, 1, {10, 40, 10, 40}, nullptr},
      {"busy with a failure between", 1, 1000, {3, 9, 0}, {}, {}, 0, 3, 1, {10, 10}, nullptr},
      {"connection failure", 1, 1000, {9}, {}, {}, 2, 1, 0, {}, nullptr},
      {"unknown send answer", 1, 1000, {5}, {}, {}, 2, 1, 0, {}, nullptr},
      {"response pending", 1, 1000, {14}, {0}, {}, 1, 1, 1, {1}, nullptr},
      {"lost, sent again", 1, 1000, {0, 0}, {3, 6, 0}, {}, 0, 2, 3, {50, 1}, nullptr},
      {"lost on the last poll", 1, 30, {0, 0}, {6, 6, 9}, {}, 2, 2, 3, {1, 1, 50}, "rc=0,0"},
      {"failed status", 1, 1000, {0}, {0}, {3}, 1, 1, 1, {}, "rc=0,3"},
      {"refused answer", 1, 1000, {0}, {12}, {}, 1, 1, 1, {}, "rc=12,0"},
      {"no polls", 1, 9, {0}, {}, {}, 2, 1, 0, {}, "rc=0,0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TearDown();
    SetUp();
    state().timeout = c.timeout;
    for (int answer : c.sends)
      transport().Script(Op::kSendRead, {answer});
    for (int answer : c.receives)
      transport().Script(Op::kReceiveRead, {answer});
    for (uint16_t status : c.statuses)
      transport().ScriptReceiveStatus({status});
    std::string text = c.plc == 1 ? "01DW0100020" : "02DW0100020";
    TagItem item = Tag(text.c_str());
    EXPECT_EQ(Read(item), c.result);
    EXPECT_EQ(transport().Count(Op::kSendRead), c.sendCount);
    EXPECT_EQ(transport().Count(Op::kReceiveRead), c.receiveCount);
    EXPECT_EQ(sleeps(), c.sleeps);
    Lines expected;
    const char* length = c.plc == 1 ? "2" : "1";
    if (c.failure)
      expected.push_back("ZanDOR: Read Tag " + text + " Failed, Len=" + length + " " + c.failure);
    EXPECT_EQ(log(), expected);
    EXPECT_EQ(plc(c.plc).linkState, c.result);
  }
}

TEST_F(TransportAnswerTest, PollsUsedUpAfterTimeoutOverTen) {
  transport().Fallback(Op::kReceiveRead, 6);
  TagItem item = Tag("01DW0100020");
  EXPECT_EQ(Read(item), 2);
  EXPECT_EQ(transport().Count(Op::kReceiveRead), 100);
  EXPECT_EQ(sleeps(), std::vector<uint32_t>(100, 1));
  EXPECT_EQ(log(), Lines{"ZanDOR: Read Tag 01DW0100020 Failed, Len=2 rc=6,0"});
  EXPECT_EQ(Values(2), (Bytes{kUnwritten, kUnwritten}));
}

TEST_F(ReadTest, UnusableRequestsAreRefusedUntouched) {
  const struct {
    const char* text;
    void (*spoil)(TagItem&);
    bool countOnly = false;  // ReadValue reads one value whatever the count
  } cases[] = {
      {"01DW0100020", [](TagItem& i) { i.count = 0; }, true},
      {"01DW0100020", [](TagItem& i) { i.count = -1; }, true},
      {"01DW0100020", [](TagItem& i) { i.count = 5001; }, true},
      {"01DD0100008", [](TagItem& i) { i.count = 2501; }, true},
      {"01DB0100000", [](TagItem& i) { i.count = 10001; }, true},
      {"01IW0000", [](TagItem& i) { i.count = INT_MAX; }, true},
      {"01DW0100020", [](TagItem& i) { i.plc = 512; }},
      {"01DW0100020", [](TagItem& i) { i.plc = -1; }},
      {"01DW0100020", [](TagItem& i) { i.valueBuffer = nullptr; }},
      {"01DW0100020", [](TagItem& i) { i.addressText = nullptr; }},
      {"01DS010001010", [](TagItem& i) { i.addressText = "01DS0100010"; }},
      {"!01", [](TagItem& i) { i.address = 512; }},
      {"!01", [](TagItem& i) { i.address = -1; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    TagItem item = Tag(c.text, c.text[3] == 'S' ? 7 : (c.text[3] == 'D' ? 4 : 1));
    c.spoil(item);
    for (int32_t command : {kCommandReadBlock, kCommandReadValue}) {
      if (command == kCommandReadValue && c.countOnly) continue;
      PlcEntry before = plc(1), status = plc(256);
      EXPECT_EQ(Read(item, command), 1);
      EXPECT_TRUE(transport().calls().empty());
      EXPECT_EQ(std::memcmp(&before, &plc(1), sizeof before), 0);
      EXPECT_EQ(std::memcmp(&status, &plc(256), sizeof status), 0);
    }
  }
  EXPECT_EQ(Send(kCommandReadBlock, nullptr), 1);
  EXPECT_EQ(Send(kCommandReadValue, nullptr), 1);

  TagItem largest = Tag("01DB0100000", 1, 10000);
  Bytes cells(20000);
  largest.valueBuffer = cells.data();
  EXPECT_EQ(Read(largest), 0);
  EXPECT_EQ(SentRecords(), Lines{"c=5 a=1 db=10 s=0 l=10000"});
}

}  // namespace
}  // namespace zan::testing

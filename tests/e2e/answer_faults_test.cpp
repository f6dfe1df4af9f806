// A PLC that stops answering, and one whose answer comes after the driver gave up on it.
#include <chrono>
#include <cstdio>

#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

using AnswerFaultsTest = SimulatorTest;

TEST_F(AnswerFaultsTest, SilentPlcGivesTwoWhenThePollsRunOut) {
  StartSimulator({"5:s7:db=10x100"});
  ASSERT_EQ(Init(S7Line(5)), 0);  // driver time-out 1000 ms: 100 polls of the answer
  HostTag tag;
  Define(tag, "05DW0100000");
  ASSERT_TRUE(simulator().Set(5, "db10", 0, {0x11, 0x11}));
  EXPECT_EQ(Read(tag), std::make_pair(0, uint16_t{0x1111}));

  ASSERT_EQ(simulator().Command("fault 5 silent"), "ok");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(tag).first, 2);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  std::printf("a read of a silent PLC gave up after %lld ms\n",
              static_cast<long long>(
                  std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()));
  EXPECT_TRUE(DriverSession::Logged("ZanDOR: Read Tag 05DW0100000 Failed, Len=2 rc=6,0"));

  // Once it answers again, a warm start makes the connection usable.
  ASSERT_EQ(simulator().Command("clear 5"), "ok");
  int32_t plc = 5;
  EXPECT_EQ(driver().WarmStart(&plc), 0);
  ASSERT_TRUE(simulator().Set(5, "db10", 0, {0x22, 0x22}));
  EXPECT_EQ(Read(tag), std::make_pair(0, uint16_t{0x2222}));
}

TEST_F(AnswerFaultsTest, LateAnswerIsNeverDeliveredToTheNextRead) {
  // An S7 answer carries the request's reference, an S5 answer nothing: the transport must keep
  // track of what is outstanding for both.
  StartSimulator({"6:s7:db=10x100", "7:s5:db=10x100"});
  // Driver time-out 3000 ms: the driver polls the answer 300 times (at least 300 ms), the
  // transport waits 3000 ms for it; the simulator answers after 2000 ms, between the two.
  ASSERT_EQ(Init(S7Line(6) + "7=5,127.0.0.7\n", 300), 0);
  const struct {
    int plc;
    const char* first;   // the word at bytes 0 and 1
    const char* second;  // the word at bytes 2 and 3
  } kPlcs[] = {{6, "06DW0100000", "06DW0100002"}, {7, "07DW0100000", "07DW0100001"}};

  for (const auto& plc : kPlcs) {
    SCOPED_TRACE(plc.first);
    const std::string number = std::to_string(plc.plc);
    HostTag first, second;
    Define(first, plc.first);
    Define(second, plc.second);
    ASSERT_TRUE(simulator().Set(plc.plc, "db10", 0, {0xAA, 0xAA, 0xBB, 0xBB}));

    ASSERT_EQ(simulator().Command("fault " + number + " late 2000"), "ok");
    EXPECT_EQ(Read(first).first, 2);
    EXPECT_TRUE(DriverSession::Logged("ZanDOR: Read Tag " + std::string(plc.first) +
                                      " Failed, Len=" + (plc.plc == 6 ? "2" : "1") + " rc=6,0"));
    ASSERT_EQ(simulator().Command("clear " + number), "ok");

    // Until the late answer has come and gone, a read meets the pending answer and reports 1.
    int refused = 0;
    std::pair<int32_t, uint16_t> read{1, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (read.first == 1 && std::chrono::steady_clock::now() < deadline) {
      read = Read(second);
      EXPECT_NE(read.second, 0xAAAA) << "the late answer of the first tag reached the second";
      refused += read.first == 1;
    }
    EXPECT_EQ(read, std::make_pair(0, uint16_t{0xBBBB}));
    EXPECT_GT(refused, 0) << "the late answer was still pending after the failed read";
    EXPECT_EQ(Read(first), std::make_pair(0, uint16_t{0xAAAA}));
  }
}

}  // namespace
}  // namespace zan::e2e

// A PLC that stops answering: the read gives up when the time-out has passed, and a warm start
// brings it back. (Late answers and other plant faults: plant_conditions_test.cpp.)
#include <chrono>
#include <cstdio>

#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

using AnswerFaultsTest = SimulatorTest;

TEST_F(AnswerFaultsTest, SilentPlcGivesTwoWhenTheTimeOutHasPassed) {
  StartSimulator({"5:s7:db=10x100"});
  ASSERT_EQ(Init(S7Line(5)), 0);  // the driver waits 1000 ms for an answer
  HostTag tag;
  Define(tag, "05DW0100000");
  ASSERT_TRUE(simulator().Set(5, "db10", 0, {0x11, 0x11}));
  EXPECT_EQ(Read(tag), std::make_pair(0, uint16_t{0x1111}));

  ASSERT_EQ(simulator().Command("fault 5 silent"), "ok");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Read(tag).first, 2);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(990))
      << "the whole time-out, whatever a sleep lasts";
  EXPECT_LT(elapsed, std::chrono::milliseconds(3000));
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

}  // namespace
}  // namespace zan::e2e

// What a plant does to the driver, against the simulator in real time: answers that take their
// time, links that break, late answers, a host that initialises again, a PLC program that changes
// bits between two polls, strings shorter than their room, PLCs of type 6, and a peer that closes
// right after its answer. Times are asserted with generous margins only.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "e2e/process_limits.h"
#include "e2e/simulator_test.h"
#include "support/environment.h"

namespace zan::e2e {
namespace {

using Clock = std::chrono::steady_clock;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class PlantConditionsTest : public SimulatorTest {
 protected:
  // An S7 on 127.0.0.1 and an S5 on 127.0.0.2, each with data block 10.
  void StartS7AndS5() { StartSimulator({"1:s7:db=10x100", "2:s5:db=10x100"}); }
  static std::string S7AndS5() { return S7Line(1) + "2=5,127.0.0.2\n"; }
  void Fault(const std::string& command) { ASSERT_EQ(simulator().Command(command), "ok"); }
};

TEST_F(PlantConditionsTest, AnswersWithinTheTimeOutAreTakenOnEveryPlcType) {
  StartS7AndS5();
  ASSERT_TRUE(simulator().Set(1, "db10", 2, {0x12, 0x34}));
  ASSERT_TRUE(simulator().Set(2, "db10", 2, {0x56, 0x78}));
  const struct {
    int32_t setting;  // the driver waits ten times as many milliseconds
    int late;         // milliseconds the PLCs take to answer
    int reads;
  } cases[] = {{10, 30, 10}, {100, 300, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.setting);
    ASSERT_EQ(Init(S7AndS5(), c.setting), 0);
    Fault("fault 1 late " + std::to_string(c.late));
    Fault("fault 2 late " + std::to_string(c.late));
    HostTag s7, s5;
    Define(s7, "01DW0100002");
    Define(s5, "02DW0100001");
    for (int read = 0; read < c.reads; ++read) {
      const Clock::time_point start = Clock::now();
      EXPECT_EQ(Read(s7), std::make_pair(0, uint16_t{0x1234}));
      EXPECT_EQ(Read(s5), std::make_pair(0, uint16_t{0x5678}));
      EXPECT_GE(MillisecondsSince(start), 2 * c.late - 10) << "both answers were waited for";
    }
    Fault("clear 1");
    Fault("clear 2");
  }
}

TEST_F(PlantConditionsTest, DeadLinkEndsTheReadAndTheWriteAtOnce) {
  StartS7AndS5();
  ASSERT_EQ(Init(S7AndS5(), 100), 0);  // a deadline of 1000 ms
  for (const char* text : {"01DW0100001", "02DW0100001"}) {
    SCOPED_TRACE(text);
    const std::string plc(text + 1, 1);
    HostTag tag;
    Define(tag, text);
    for (const int32_t command : {kCommandReadBlock, kCommandWriteBlock}) {
      Fault("fault " + plc + " truncated");
      const Clock::time_point start = Clock::now();
      EXPECT_EQ(driver().Send(command, tag), 2);
      const long long elapsed = MillisecondsSince(start);
      EXPECT_LT(elapsed, 500) << "no waiting on a connection that broke";
      std::printf("%s %s on a broken link ended after %lld ms\n", text,
                  command == kCommandReadBlock ? "read" : "write", elapsed);
      Fault("clear " + plc);
      int32_t number = plc[0] - '0';
      ASSERT_EQ(driver().WarmStart(&number), 0);
    }
  }
}

TEST_F(PlantConditionsTest, LateAnswerCostsOneRequestAndNeverPassesForAnother) {
  ASSERT_TRUE(zan::testing::SetEnvironment("QUAXNET_TRACE", "quaxnet-trace.log"));
  StartS7AndS5();
  ASSERT_EQ(Init(S7AndS5(), 10), 0);  // a deadline of 100 ms
  // The word at bytes 0 and 1, and the word at bytes 2 and 3, of an S7 and of an S5.
  const struct {
    const char* plc;
    const char* first;
    const char* second;
  } kPlcs[] = {{"1", "01DW0100000", "01DW0100002"}, {"2", "02DW0100000", "02DW0100001"}};
  for (const auto& plc : kPlcs) {
    SCOPED_TRACE(plc.plc);
    const std::string number(plc.plc);
    HostTag first, second;
    Define(first, plc.first);
    Define(second, plc.second);
    ASSERT_TRUE(simulator().Set(std::stoi(number), "db10", 0, {0xAA, 0xAA, 0xBB, 0xBB}));

    Fault("fault " + number + " late 200");
    EXPECT_EQ(Read(first).first, 2);
    Fault("clear " + number);
    // The late answer arrives whole while nobody asks; the next request drops it and goes out.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(Read(second), std::make_pair(0, uint16_t{0xBBBB}));
    EXPECT_EQ(Read(first), std::make_pair(0, uint16_t{0xAAAA}));
    EXPECT_EQ(SettledStatus(std::stoi(number), "connections", number == "1" ? 1 : 2),
              number == "1" ? 1 : 2)
        << "the connection stayed up";
  }
  zan::testing::SetEnvironment("QUAXNET_TRACE", "");
  // The transport's trace names each answer that it dropped.
  long dropped = 0;
  for (const std::string& line : ReadLines("quaxnet-trace.log"))
    dropped += line.find("answer never collected dropped at the next request") != std::string::npos;
  EXPECT_EQ(dropped, 2);
}

// Twenty PLCs at setting 100 (1 s), ten rejecting the connection request and five stopped (TCP
// refused): Init knows at once that they failed, and waits for nobody. A warm start of a PLC that
// rejects the request ends at once too.
TEST_F(PlantConditionsTest, RejectedAndStoppedPlcsCostInitNoWait) {
  StartSimulator({"1-20:s7:db=10x16"});
  std::string configuration;
  for (int plc = 1; plc <= 20; ++plc)
    configuration += S7Line(plc);
  ASSERT_EQ(Init(S7Line(1)), 0);  // the libraries loaded
  for (int plc = 1; plc <= 10; ++plc)
    Fault("fault " + std::to_string(plc) + " refuse");
  for (int plc = 11; plc <= 15; ++plc)
    Fault("stop " + std::to_string(plc));
  Clock::time_point start = Clock::now();
  ASSERT_EQ(Init(configuration), 0);
  const long long init = MillisecondsSince(start);
  for (int plc = 1; plc <= 20; ++plc) {
    EXPECT_EQ(LoggedCount("ZanDOR: Connection to Plc #" + std::to_string(plc) +
                          (plc <= 15 ? " Failed !!!" : " Success !!!")),
              1)
        << plc;
  }
  EXPECT_LT(init, 900) << "no PLC is waited for to the time-out of 1000 ms";

  // A PLC that Init could not connect (a new connection) and one whose connection broke (a
  // restart of it), both rejecting the connection request.
  Fault("fault 16 refuse");
  ASSERT_EQ(simulator().Command("fault 16 drop").rfind("ok", 0), 0u);
  for (int32_t plc : {1, 16}) {
    start = Clock::now();
    int32_t number = plc;
    EXPECT_EQ(driver().WarmStart(&number), 1) << plc;
    const long long warmStart = MillisecondsSince(start);
    std::printf("Init of 20 PLCs, 15 down: %lld ms; warm start of rejecting PLC %d: %lld ms\n",
                init, plc, warmStart);
    EXPECT_LT(warmStart, 900) << plc;
  }
}

TEST_F(PlantConditionsTest, InitAgainAndAgainKeepsOneConnectionPerPlc) {
  StartS7AndS5();
  ASSERT_EQ(Init(S7AndS5()), 0);
  const long descriptors = OpenDescriptorCount();
  for (int init = 0; init < 100; ++init)
    ASSERT_EQ(Init(S7AndS5()), 0) << "Init " << init;
  EXPECT_EQ(OpenDescriptorCount(), descriptors) << "after 100 Inits";
  EXPECT_EQ(SettledStatus(1, "connections", 1), 1);
  EXPECT_EQ(SettledStatus(2, "connections", 2), 2) << "the S5 pair";
  HostTag tag;
  Define(tag, "01DW0100001");
  EXPECT_EQ(Read(tag).first, 0);
}

TEST_F(PlantConditionsTest, BitWriteKeepsTheBitsThatThePlcSetSinceTheCacheFetch) {
  StartSimulator({"1:s7:db=10x300"});
  ASSERT_EQ(Init(S7Line(1)), 0);
  HostTag block, bit;
  Define(block, "01TB01000000100", kHostWord, 40);  // bytes 0 to 99 of DB 10
  Define(bit, "01DW010002000", kHostBit);           // bit 0 of the word at byte 20
  ASSERT_EQ(Read(block).first, 0);
  ASSERT_TRUE(simulator().Set(1, "db10", 20, {0x00, 0x08}));  // the PLC sets bit 3

  bit.values[2] = 1;
  EXPECT_EQ(driver().Send(kCommandWriteValue, bit), 0);
  EXPECT_EQ(simulator().Get(1, "db10", 20, 2), (std::vector<uint8_t>{0x00, 0x09}));
}

TEST_F(PlantConditionsTest, S7StringEndsAtItsCurrentLength) {
  StartSimulator({"1:s7:db=10x100"});
  ASSERT_EQ(Init(S7Line(1)), 0);
  HostTag text;
  Define(text, "01DS010001010", kHostString);  // STRING[10] at byte 10
  // "HI" written by the PLC's program over "HELLOWORLD": the old characters stay behind.
  ASSERT_TRUE(simulator().Set(1, "db10", 10,
                              {0x0A, 0x02, 'H', 'I', 'L', 'L', 'O', 'W', 'O', 'R', 'L', 'D'}));
  ASSERT_EQ(Read(text).first, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(text.values), "HI");
}

TEST_F(PlantConditionsTest, TypeSixReadsAndWritesTheWordsItNames) {
  StartSimulator({"1:s7:db=10x100", "3:s7:db=10x100"});
  ASSERT_EQ(Init(S7Line(1) + "3=6,127.0.0.3\n"), 0);
  HostTag other, words, written, real;
  Define(other, "01DW0100000");
  Define(words, "03DW0100021");  // data word 21: bytes 42 and 43
  Define(written, "03DW0100030");
  Define(real, "03DF0100008", kHostFloat);  // an S5 float in data words 8 and 9
  ASSERT_TRUE(simulator().Set(1, "db10", 0, std::vector<uint8_t>(20, 0xEE)));
  ASSERT_TRUE(simulator().Set(3, "db10", 42, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66}));

  // An earlier read of another PLC leaves its bytes in the transfer buffer: none may show.
  ASSERT_EQ(driver().Send(kCommandReadBlock, other, 10), 0);
  ASSERT_EQ(driver().Send(kCommandReadBlock, words, 3), 0);
  EXPECT_EQ(words.Word(0), 0x1122);
  EXPECT_EQ(words.Word(2), 0x3344);
  EXPECT_EQ(words.Word(4), 0x5566);

  written.values[0] = 0xCD;
  written.values[1] = 0xAB;
  EXPECT_EQ(driver().Send(kCommandWriteBlock, written), 0);
  EXPECT_EQ(simulator().Get(3, "db10", 60, 2), (std::vector<uint8_t>{0xAB, 0xCD}));

  const float one = 1.0f;
  std::memcpy(real.values, &one, sizeof one);
  EXPECT_EQ(driver().Send(kCommandWriteBlock, real), 0);
  EXPECT_EQ(simulator().Get(3, "db10", 16, 4), (std::vector<uint8_t>{0x01, 0x40, 0x00, 0x00}));
  std::memset(real.values, 0, sizeof real.values);
  ASSERT_EQ(driver().Send(kCommandReadBlock, real), 0);
  float back = 0;
  std::memcpy(&back, real.values, sizeof back);
  EXPECT_EQ(back, 1.0f);
}

TEST_F(PlantConditionsTest, AnswerFollowedByACloseIsTakenAndTheNextReadFindsTheLinkDown) {
  StartS7AndS5();
  ASSERT_TRUE(simulator().Set(1, "db10", 2, {0x12, 0x34}));
  ASSERT_TRUE(simulator().Set(2, "db10", 2, {0x56, 0x78}));
  ASSERT_EQ(Init(S7AndS5()), 0);
  for (const auto& [text, value] : {std::make_pair("01DW0100002", uint16_t{0x1234}),
                                    std::make_pair("02DW0100001", uint16_t{0x5678})}) {
    SCOPED_TRACE(text);
    const std::string plc(text + 1, 1);
    HostTag tag;
    Define(tag, text);
    Fault("fault " + plc + " close-after");
    EXPECT_EQ(Read(tag), std::make_pair(0, value));
    EXPECT_EQ(Read(tag).first, 2);
    Fault("clear " + plc);
    int32_t number = plc[0] - '0';
    EXPECT_EQ(driver().WarmStart(&number), 0);
    EXPECT_EQ(Read(tag), std::make_pair(0, value));
  }
}

}  // namespace
}  // namespace zan::e2e

// The control channel and the configuration: commands and their one-line answers, the heartbeat
// word, PLCs going down and up, the control socket, PLC lines, and binding errors in words.
#include <string>

#include "plc_line.h"
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

using ControlTest = TwoPlcTest;

TEST_F(ControlTest, CommandsAnswerOneLine) {
  const struct {
    const char* line;
    const char* answer;  // the start of it
  } cases[] = {
      {"set 1 db20 0 0x01020304", "ok"},
      {"get 1 db20 0 4", "ok 01 02 03 04"},
      {"get 127.0.0.1 DB20 1 2", "ok 02 03"},
      {"set 1 q 1023 0xFF", "ok"},
      {"get 1 q 1022 2", "ok 00 FF"},
      {"get 1 db20 3 2", "error bytes 3 to 4 lie outside db20"},
      {"set 1 db21 0 0x00", "error db21 does not exist"},
      {"set 1 db20 0 0x123", "error \"0x123\" is not 0x followed by whole bytes"},
      {"set 1 db20 0 1234", "error \"1234\" is not 0x"},
      {"get 1 db20 0 0", "error count from 1 to 320"},
      {"get 1 x 0 1", "error unknown area \"x\""},
      {"get 2 db20 0 1", "error no PLC \"2\""},
      {"get 10.0.0.1 db20 0 1", "error no PLC \"10.0.0.1\""},
      {"set 1 C 510 0x0102", "ok"},
      {"get 1 c 511 1", "ok 02"},
      {"get 1 t 512 1", "error bytes 512 to 512 lie outside t"},
      {"get 1 dx10 0 1", "error dx10 does not exist"},
      {"state 1", "ok run"},
      {"state 3 stop", "ok stop"},
      {"status", "error no PLC \"\""},
      {"status 1 2", "error usage: status <plc>"},
      {"jump 1", "error unknown command \"jump\"; try help"},
      {"help", "ok commands: fault <plc>"},
      {"", "ok"},
      {"# a remark", "ok"},
      {"verbose off", "ok"},
      {"status 1", "ok plc=1 personality=s7 address=127.0.0.1:"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Control(c.line).rfind(c.answer, 0), 0u) << c.line;
}

TEST_F(ControlTest, HeartbeatCountsPerRequestServedUnlessFrozen) {
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  auto word = [&](uint16_t reference) {
    const Bytes answer = client->Exchange(S7Read(reference, 0x84, 10, 0, 2));
    return answer.size() == 20 ? answer[18] * 256 + answer[19] : -1;
  };
  EXPECT_EQ(word(1), 1) << "stepped before the first read is served";
  EXPECT_EQ(word(2), 2);
  EXPECT_EQ(Control("heartbeat 1 freeze"), "ok 2");
  EXPECT_EQ(word(3), 2);
  EXPECT_EQ(Control("heartbeat 1 step 0xFFFF"), "ok 1") << "wraps at 65535";
  EXPECT_EQ(Control("heartbeat 1 run"), "ok 1");
  EXPECT_EQ(word(4), 2);
  EXPECT_NE(Control("status 1").find("requests=4 heartbeat=2"), std::string::npos);
  EXPECT_EQ(Control("heartbeat 3 step"), "error this PLC has no heartbeat word");
}

TEST_F(ControlTest, HeartbeatByCommandOrPeriod) {
  Start({"1:s7:db=10x4:heartbeat=db10.dbw2:beat=command",
         "2:s7:db=10x2:heartbeat=db10.dbw0,"
         "beat=100ms"});
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  client->Exchange(S7Read(1, 0x84, 10, 0, 2));
  EXPECT_EQ(Control("heartbeat 1"), "ok 0") << "requests do not step it";
  EXPECT_EQ(Control("heartbeat 1 step"), "ok 1");
  EXPECT_EQ(Control("get 1 db10 2 2"), "ok 00 01");

  simulator().RunOnce(0);  // the first round starts the period
  clock_.now += 250;
  simulator().RunOnce(0);
  EXPECT_EQ(Control("heartbeat 2"), "ok 2");
}

TEST_F(ControlTest, StoppedPlcIsDownUntilStarted) {
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  EXPECT_EQ(Control("stop 1"), "ok");
  EXPECT_TRUE(client->Closed());
  EXPECT_FALSE(Connect(1)->connected()) << "nothing listens";
  EXPECT_NE(Control("status 1").find("listening=no connections=0"), std::string::npos);
  EXPECT_EQ(Control("start 1"), "ok");
  EXPECT_EQ(Connect(1)->OpenS7(), 480);
  EXPECT_TRUE(Logged("plc 1: stopped (not listening)"));
}

TEST_F(ControlTest, AcceptedCountsEveryConnectionTakenAcrossStopsAndCloses) {
  EXPECT_NE(Control("status 1").find(" accepted=0 "), std::string::npos);
  {
    auto client = Connect(1);
    ASSERT_EQ(client->OpenS7(), 480);
  }
  auto again = Connect(1);
  ASSERT_EQ(again->OpenS7(), 480);
  EXPECT_NE(Control("status 1").find("connections=1 established=1 accepted=2 "), std::string::npos)
      << "a client that connects again: one connection, two taken";
  EXPECT_EQ(Control("stop 1"), "ok");
  EXPECT_EQ(Control("start 1"), "ok");
  ASSERT_EQ(Connect(1)->OpenS7(), 480);
  EXPECT_NE(Control("status 1").find(" accepted=3 "), std::string::npos);
  EXPECT_NE(Control("status 3").find(" accepted=0 "), std::string::npos) << "per PLC";
}

TEST_F(ControlTest, ConnectionsBeyondTheLimitAreClosed) {
  Start({"1:s7:connections=2"});
  auto first = Connect(1);
  auto second = Connect(1);
  ASSERT_EQ(first->OpenS7(), 480);
  ASSERT_EQ(second->OpenS7(), 480);
  auto third = Connect(1);
  EXPECT_TRUE(third->Closed());
  EXPECT_TRUE(Logged("refused: all 2 connections in use"));
}

TEST_F(ControlTest, ControlSocketAnswersEachLine) {
  Client control([this](const std::function<bool()>& done) { return RunUntil(done); },
                 kControlAddress, simulator().controlPort());
  ASSERT_TRUE(control.connected());
  const std::string lines =
      "set 3 db10 0 0xAB\r\nget 3 db10 0 1\n" + std::string(1500, 'x') + "\nquit\n";
  control.Send(Bytes(lines.begin(), lines.end()));
  EXPECT_EQ(control.ReceiveLines(4), "ok\nok AB\nerror line longer than 1024 characters\nok bye\n");
  EXPECT_FALSE(simulator().RunOnce(0)) << "quit";
}

TEST(PlcLineTest, LinesAndTheirPlcs) {
  std::vector<PlcConfig> plcs;
  std::string why;
  ASSERT_TRUE(ParsePlcLine("1:s7:slot=3:db=10x1000,db=20x200:heartbeat=db10.dbw4", &plcs, &why));
  ASSERT_TRUE(ParsePlcLine("127.0.1.2:s5:db=7x16:read=R,write=W :beat=50ms", &plcs, &why));
  ASSERT_TRUE(ParsePlcLine("600-610:s7:pdu=960,connections=1,m=0", &plcs, &why));
  ASSERT_TRUE(
      ParsePlcLine("20:s7:cpu=CPU 1 (test):order=ORD 1-2,serial=S/N 7:c=0,t=65536", &plcs, &why));
  ASSERT_TRUE(ParsePlcLine("21:s5:dx=5x16,dx=6x2:db=5x4", &plcs, &why));
  ASSERT_EQ(plcs.size(), 15u);
  EXPECT_EQ(plcs[13].identity.moduleName, "CPU 1 (test)");
  EXPECT_EQ(plcs[13].identity.orderNumber, "ORD 1-2");
  EXPECT_EQ(plcs[13].identity.serialNumber, "S/N 7");
  EXPECT_EQ(plcs[13].counters, 0u);
  EXPECT_EQ(plcs[13].timers, 65536u);
  EXPECT_EQ(plcs[14].extendedDataBlocks.size(), 2u);
  EXPECT_EQ(plcs[14].counters, 256u);
  EXPECT_EQ(plcs[0].address, 0x7F000001u);
  EXPECT_EQ(plcs[0].slot, 3);
  EXPECT_EQ(plcs[0].dataBlocks.size(), 2u);
  EXPECT_EQ(plcs[0].heartbeat.offset, 4u);
  EXPECT_EQ(plcs[1].number, 258u);
  EXPECT_EQ(plcs[1].personality, Personality::kS5);
  EXPECT_EQ(plcs[1].writeTsap, "W ");
  EXPECT_EQ(plcs[1].heartbeat.periodMilliseconds, 50u);
  EXPECT_EQ(plcs[12].address, 0x7F000262u);
  EXPECT_EQ(plcs[12].pduSize, 960);
  EXPECT_TRUE(CheckPlcList(plcs, &why));
  plcs.push_back(plcs[0]);
  EXPECT_FALSE(CheckPlcList(plcs, &why));
  EXPECT_EQ(why, "PLC 1 is given twice");

  const struct {
    const char* line;
    const char* why;
  } wrong[] = {
      {"10.0.0.1:s7", "is not a PLC number, a range N-M or an address of 127.0.0.0/8"},
      {"0:s7", "is not a PLC number"},
      {"5-4:s7", "is not a PLC number"},
      {"1-5000:s7", "is not a PLC number"},
      {"1", "personality s7 or s5 expected"},
      {"1:s6", "personality s7 or s5 expected"},
      {"1:s7:db=0x10", "wrong value in \"db=0x10\""},
      {"1:s7:db=10x70000", "wrong value"},
      {"1:s7:db=10x4,db=10x8", "wrong value"},
      {"1:s5:db=256x4", "wrong value"},
      {"1:s7:slot=32", "wrong value"},
      {"1:s7:rack=9", "wrong value"},
      {"1:s7:rack=0xF", "wrong value"},
      {"1:s7:pdu=32", "wrong value"},
      {"1:s5:read=TOOLONGTSAP", "wrong value"},
      {"1:s5:read=KORWRITE", "the read and the write TSAP of an S5 must differ"},
      {"1:s5:slot=2", "unknown option \"slot\" for an S5"},
      {"1:s7:heartbeat=db10.dbw0", "is not inside a configured data block"},
      {"1:s7:db=10x3:heartbeat=db10.dbw2", "is not inside a configured data block"},
      {"1:s7:beat=often", "wrong value"},
      {"1:s7:dx=1x4", "unknown option \"dx\" for an S7"},
      {"1:s5:cpu=X", "unknown option \"cpu\" for an S5"},
      {"1:s7:cpu=", "wrong value"},
      {"1:s7:cpu=A NAME LONGER THAN 24 CHARS", "wrong value"},
      {"1:s7:order=123456789012345678901", "wrong value"},
      {"1:s7:serial=\t", "wrong value"},
      {"1:s7:c=65537", "wrong value"},
  };
  for (const auto& c : wrong) {
    std::vector<PlcConfig> none;
    EXPECT_FALSE(ParsePlcLine(c.line, &none, &why)) << c.line;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.line << ": " << why;
    EXPECT_TRUE(none.empty());
  }
}

TEST_F(ControlTest, BindErrorsSayWhatToDoAndLeaveNothingBound) {
  // Another program holds the port on PLC 2's address; PLC 1's address binds first.
  net::Socket holder = net::kNoSocket;
  uint16_t port = 0;
  std::string text;
  ASSERT_EQ(net::Listen(kLoopbackNetwork + 2, 0, &holder, &port), net::Error::kNone);
  std::vector<PlcConfig> plcs;
  ASSERT_TRUE(ParsePlcLine("1-2:s7", &plcs, &text));
  FakeClock clock;
  Logger quiet([](const std::string&) {});
  Simulator taken(plcs, quiet, clock);
  std::string error;
  EXPECT_FALSE(taken.Start(port, kNoControlSocket, &error));
  EXPECT_EQ(error.rfind("cannot listen on 127.0.0.2:" + std::to_string(port) +
                            " for PLC 2: the "
                            "port is in use by another program.",
                        0),
            0u)
      << error;
  EXPECT_NE(error.find("--port"), std::string::npos);
  EXPECT_NE(error.find("QUAXNET_PORT"), std::string::npos);
  net::Socket again = net::kNoSocket;
  EXPECT_EQ(net::Listen(kLoopbackNetwork + 1, port, &again, &port), net::Error::kNone)
      << "PLC 1's listener was closed";
  net::Close(again);
  net::Close(holder);
}

}  // namespace
}  // namespace plcsim::testing

// Every fault on command, on the S7 and the S5 personality: what the client sees, and that clearing
// brings the PLC back.
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

const Bytes kLocal = {'K', 'O', 'R', 'V', 'E', 'L', 0, 0};
const Bytes kFetchTsap = {'K', 'O', 'R', 'R', 'E', 'A', 'D', 0};

class FaultsTest : public TwoPlcTest {
 protected:
  // An S7 client of PLC 1 set up, or an S5 client on the fetch connection of PLC 3.
  std::unique_ptr<Client> Open(uint32_t plc) {
    auto client = Connect(plc);
    if (plc == 1) {
      EXPECT_EQ(client->OpenS7(), 480);
    } else {
      client->Send(ConnectRequest(kLocal, kFetchTsap));
      EXPECT_EQ(client->Receive().size(), 34u);
    }
    return client;
  }
  // A read of 2 bytes at byte 2 of data block 10, holding 12 34.
  Bytes Read(uint32_t plc, uint16_t reference = 0x77) {
    EXPECT_EQ(Control("set " + std::to_string(plc) + " db10 2 0x1234"), "ok");
    return plc == 1 ? S7Read(reference, 0x84, 10, 2, 2) : S5Request(0x05, 1, 10, 1, 1);
  }
  Bytes Good(uint32_t plc) {
    return plc == 1 ? Hex("32 03 00 00 00 77 00 02 00 06 00 00 04 01 FF 04 00 10 12 34")
                    : Hex("53 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 12 34");
  }
};

TEST_F(FaultsTest, SpoiledAnswers) {
  const struct {
    uint32_t plc;
    const char* fault;
    Bytes answer;  // user data; a TPKT spoiled keeps its frame, so that one is the whole frame
  } cases[] = {
      {1, "error 0x0A", Hex("32 03 00 00 00 77 00 02 00 04 00 00 04 01 0A 00 00 00")},
      {1, "error 0x8104", Hex("32 03 00 00 00 77 00 02 00 00 81 04 04 00")},
      {1, "malformed", Hex("33 03 00 00 00 77 00 02 00 06 00 00 04 01 FF 04 00 10 12 34")},
      {1, "malformed reference",
       Hex("32 03 00 00 00 78 00 02 00 06 00 00 04 01 FF 04 00 10 12 34")},
      {1, "malformed length", Hex("32 03 00 00 00 77 00 02 00 05 00 00 04 01 FF 04 00 08 12")},
      {1, "malformed tpkt",
       Hex("07 00 00 1B 02 F0 80 32 03 00 00 00 77 00 02 00 06 00 00 04 01 FF "
           "04 00 10 12 34")},
      {3, "error 7", Hex("53 35 10 01 03 06 0F 03 07 FF 07 00 00 00 00 00")},
      {3, "error 0x8104", Hex("53 35 10 01 03 06 0F 03 81 FF 07 00 00 00 00 00")},
      {3, "malformed", Hex("58 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 12 34")},
      {3, "malformed reference", Hex("53 35 10 01 03 04 0F 03 00 FF 07 00 00 00 00 00 12 34")},
      {3, "malformed length", Hex("53 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 12")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.plc) + " " + c.fault);
    auto client = Open(c.plc);
    const std::string plc = std::to_string(c.plc);
    ASSERT_EQ(Control("fault " + plc + " " + c.fault), "ok");
    client->Send(Read(c.plc));
    EXPECT_EQ(
        std::string(c.fault) == "malformed tpkt" ? client->Receive() : client->ReceiveMessage(),
        c.answer);
    ASSERT_EQ(Control("clear " + plc), "ok");
    if (std::string(c.fault) != "malformed tpkt") {
      EXPECT_EQ(client->Exchange(Read(c.plc)), Good(c.plc));
    }
  }
  EXPECT_EQ(Control("get 1 db10 2 2"), "ok 12 34");
}

TEST_F(FaultsTest, ErrorRefusesAWriteAndLeavesMemory) {
  auto client = Open(1);
  ASSERT_EQ(Control("fault 1 error 3"), "ok");
  EXPECT_EQ(client->Exchange(S7Write(1, 0x84, 10, 2, {9, 9})),
            Hex("32 03 00 00 00 01 00 02 00 01 00 00 05 01 03"));
  EXPECT_EQ(Control("get 1 db10 2 2"), "ok 00 00");
}

TEST_F(FaultsTest, TruncatedSendsHalfAndCloses) {
  for (uint32_t plc : {1u, 3u}) {
    SCOPED_TRACE(plc);
    auto client = Open(plc);
    ASSERT_EQ(Control("fault " + std::to_string(plc) + " truncated"), "ok");
    client->Send(Read(plc));
    EXPECT_TRUE(client->Receive().empty()) << "no whole TPKT";
    EXPECT_TRUE(client->Closed());
  }
}

TEST_F(FaultsTest, CloseAfterSendsTheWholeAnswerThenCloses) {
  for (uint32_t plc : {1u, 3u}) {
    SCOPED_TRACE(plc);
    auto client = Open(plc);
    ASSERT_EQ(Control("fault " + std::to_string(plc) + " close-after"), "ok");
    client->Send(Read(plc));
    EXPECT_EQ(client->ReceiveMessage(), Good(plc));
    EXPECT_TRUE(client->Closed());
    EXPECT_TRUE(Logged("connection closed after the answer (fault close-after)"));
    ASSERT_EQ(Control("clear " + std::to_string(plc)), "ok");
  }
}

TEST_F(FaultsTest, JitterHoldsEachAnswerWithinItsRange) {
  auto client = Open(1);
  ASSERT_EQ(Control("fault 1 late 5"), "ok");
  ASSERT_EQ(Control("fault 1 jitter 100-100"), "ok");
  client->Send(Read(1));
  ASSERT_TRUE(RunUntil([&] { return Logged("answer held 105 ms in all (fault jitter)"); }));
  clock_.now += 104;
  EXPECT_TRUE(client->Quiet());
  clock_.now += 1;
  EXPECT_EQ(client->ReceiveMessage(), Good(1));

  ASSERT_EQ(Control("clear 1"), "ok");
  ASSERT_EQ(Control("fault 1 jitter 10-20"), "ok");
  for (uint16_t reference = 1; reference <= 20; ++reference) {
    client->Send(Read(1, reference));
    ASSERT_TRUE(RunUntil([&] { return Logged("job " + std::to_string(reference) + ": "); }));
    clock_.now += 9;
    EXPECT_TRUE(client->Quiet()) << "held at least the least of the range";
    clock_.now += 11;
    const Bytes answer = client->ReceiveMessage();
    ASSERT_EQ(answer.size(), Good(1).size()) << "held at most the most of the range";
    EXPECT_EQ(answer[5], reference);
  }
}

TEST_F(FaultsTest, SilentReadsAndNeverAnswers) {
  for (uint32_t plc : {1u, 3u}) {
    SCOPED_TRACE(plc);
    auto client = Open(plc);
    const std::string number = std::to_string(plc);
    ASSERT_EQ(Control("fault " + number + " silent"), "ok");
    client->Send(Read(plc));
    const std::string line = plc == 1 ? "job 119 left unanswered" : "fetch left unanswered";
    ASSERT_TRUE(
        RunUntil([&] { return Logged("plc " + number + ": connection #") && Logged(line); }));
    EXPECT_TRUE(client->Quiet());
    EXPECT_NE(Control("status " + number).find("connections=1"), std::string::npos);
    ASSERT_EQ(Control("clear " + number), "ok");
    EXPECT_EQ(client->Exchange(Read(plc)), Good(plc)) << "the dropped request stays dropped";
  }
}

TEST_F(FaultsTest, LateAnswersLeaveInOrderWhenTheirTimeComes) {
  auto client = Open(1);
  ASSERT_EQ(Control("fault 1 late 500"), "ok");
  client->Send(Read(1, 0x77));
  ASSERT_TRUE(RunUntil([&] { return Logged("answer held 500 ms (fault late)"); }));
  clock_.now += 499;
  EXPECT_TRUE(client->Quiet());
  ASSERT_EQ(Control("clear 1"), "ok");
  client->Send(Read(1, 0x78));  // not held itself, but it may not overtake the held one
  EXPECT_TRUE(client->Quiet());
  clock_.now += 1;
  EXPECT_EQ(client->ReceiveMessage(), Good(1));
  EXPECT_EQ(client->ReceiveMessage()[5], 0x78);
}

TEST_F(FaultsTest, RefuseAndDropActOnConnections) {
  auto first = Open(1);
  ASSERT_EQ(Control("fault 1 refuse"), "ok");
  auto refused = Connect(1);
  refused->Send(ConnectRequest({1, 1}, {3, 2}));
  EXPECT_EQ(refused->Receive(), Hex("03 00 00 0B 06 80 00 07 00 00 00"));
  EXPECT_TRUE(refused->Closed());
  EXPECT_EQ(first->Exchange(Read(1)), Good(1)) << "a connection made before goes on";

  auto second = Open(3);
  EXPECT_EQ(Control("fault 3 drop"), "ok dropped 1");
  EXPECT_TRUE(second->Closed());
  EXPECT_TRUE(Logged("plc 3: fault drop, 1 connections closed"));
  EXPECT_EQ(Open(3)->Exchange(Read(3)), Good(3)) << "drop acts once";
  ASSERT_EQ(Control("clear 1"), "ok");
  EXPECT_EQ(Connect(1)->OpenS7(), 480);

  ASSERT_EQ(Control("fault 1 refuse setup"), "ok");
  auto unserved = Connect(1);
  unserved->Send(ConnectRequest({1, 1}, {3, 2}));
  ASSERT_EQ(unserved->Receive()[5], 0xD0) << "the connect request is confirmed";
  unserved->Send(S7Setup(7, 960));
  EXPECT_EQ(unserved->ReceiveMessage(), Hex("32 03 00 00 00 07 00 02 00 00 83 04 F0 00"));
  EXPECT_TRUE(unserved->Closed());
  EXPECT_TRUE(Logged("setup communication refused with 0x8304 (fault refuse setup)"));
}

TEST_F(FaultsTest, HoldConnectLeavesConnectRequestsUnansweredUntilCleared) {
  auto first = Open(1);
  ASSERT_EQ(Control("fault 1 hold-connect"), "ok");
  ASSERT_EQ(Control("fault 3 hold-connect"), "ok");
  auto held = Connect(1);
  ASSERT_TRUE(held->connected()) << "TCP is accepted";
  held->Send(ConnectRequest({1, 1}, {3, 2}));
  auto heldS5 = Connect(3);
  heldS5->Send(ConnectRequest(kLocal, kFetchTsap));
  auto gone = Connect(1);
  gone->Send(ConnectRequest({1, 1}, {3, 2}));
  ASSERT_TRUE(
      RunUntil([&] { return Logged("connect request held unanswered (fault hold-connect)"); }));
  clock_.now += 600000;
  EXPECT_TRUE(held->Quiet());
  EXPECT_TRUE(heldS5->Quiet());
  EXPECT_EQ(first->Exchange(Read(1)), Good(1)) << "a connection made before goes on";
  EXPECT_NE(Control("status 1").find("connections=3 established=1"), std::string::npos);
  gone.reset();
  ASSERT_TRUE(RunUntil([&] { return Logged("closed by the client"); }))
      << "a client that gives up is let go";

  ASSERT_EQ(Control("clear 1"), "ok");
  ASSERT_EQ(held->Receive()[5], 0xD0) << "the held request is answered";
  EXPECT_EQ(held->Exchange(S7Setup(1, 960)).size(), 20u);
  EXPECT_TRUE(heldS5->Quiet()) << "the other PLC still holds";
  EXPECT_EQ(Open(1)->Exchange(Read(1)), Good(1));
  ASSERT_EQ(Control("clear 3"), "ok");
  EXPECT_EQ(heldS5->Receive().size(), 34u);
}

TEST_F(FaultsTest, FaultWordsAreChecked) {
  const struct {
    const char* line;
    const char* answer;
  } cases[] = {
      {"fault 1", "error which fault?"},
      {"fault 1 late", "error late takes milliseconds"},
      {"fault 1 late 0", "error late takes milliseconds"},
      {"fault 1 error 0xFF", "error error takes a code"},
      {"fault 1 malformed badly", "error malformed how?"},
      {"fault 1 sulk", "error unknown fault \"sulk\""},
      {"fault 1 jitter", "error jitter takes a range"},
      {"fault 1 jitter 60-0", "error jitter takes a range"},
      {"fault 1 jitter 60", "error jitter takes a range"},
      {"fault 1 jitter 0-600001", "error jitter takes a range"},
      {"fault 1 close-after now", "error unknown fault"},
      {"fault 1 refuse now", "error refuse takes nothing"},
      {"fault 1 hold-connect 5", "error hold-connect takes nothing"},
      {"fault 1 late 20", "ok"},
      {"fault 1 jitter 0-60", "ok"},
      {"fault 1 error 0x8104", "ok"},
      {"fault 1 close-after", "ok"},
      {"fault 1 refuse setup", "ok"},
      {"fault 1 hold-connect", "ok"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Control(c.line).rfind(c.answer, 0), 0u) << c.line;
  EXPECT_NE(
      Control("status 1")
          .find("faults=refuse_setup+_hold-connect+_late_20_ms+_jitter_0-60_ms+_error_0x8104+_"
                "close-after"),
      std::string::npos);
}

}  // namespace
}  // namespace plcsim::testing

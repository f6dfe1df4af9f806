// The S7 personality over a real loopback connection: connect and slot check, setup
// communication, read and write var of one byte item with every item outcome, jobs that do not fit
// the PDU, and the malformed jobs that close the connection.
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

using S7Test = TwoPlcTest;

TEST_F(S7Test, ConnectSetupReadAndWriteAsOnTheWire) {
  auto client = Connect(1);
  client->Send(ConnectRequest({0x01, 0x01}, {0x03, 0x02}));
  EXPECT_EQ(client->Receive(), Hex("03 00 00 16 11 D0 00 07 40 01 00 C0 01 0A C1 02 01 01 "
                                   "C2 02 03 02"));
  EXPECT_EQ(client->Exchange(S7Setup(0x0101, 960)),
            Hex("32 03 00 00 01 01 00 08 00 00 00 00 F0 00 00 01 00 01 01 E0"));

  ASSERT_EQ(Control("set 1 db10 20 0x1234"), "ok");
  EXPECT_EQ(client->Exchange(S7Read(2, 0x84, 10, 20, 2)),
            Hex("32 03 00 00 00 02 00 02 00 06 00 00 04 01 FF 04 00 10 12 34"));
  EXPECT_EQ(client->Exchange(S7Write(3, 0x84, 10, 31, {0xAB, 0xCD, 0xEF})),
            Hex("32 03 00 00 00 03 00 02 00 01 00 00 05 01 FF"));
  EXPECT_EQ(Control("get 1 db10 30 5"), "ok 00 AB CD EF 00");
  EXPECT_TRUE(Logged("plc 1: connection #1: job 3: write db10 byte 31 length 3: done"));
}

TEST_F(S7Test, GrantsTheSmallerOfAskedAndConfiguredPdu) {
  Start({"1:s7:db=10x10", "2:s7:pdu=960:db=10x10", "4:s7:pdu=240:slot=3,rack=1"});
  const struct {
    uint32_t plc;
    uint8_t slot;
    uint16_t asked;
    uint16_t granted;
  } cases[] = {{1, 2, 960, 480}, {1, 2, 240, 240}, {2, 2, 960, 960}, {4, 0x23, 960, 240}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plc * 10000 + c.asked);
    EXPECT_EQ(Connect(c.plc)->OpenS7(c.slot, c.asked), c.granted);
  }
}

TEST_F(S7Test, WrongSlotIsRefusedWithADisconnectRequest) {
  auto client = Connect(1);
  client->Send(ConnectRequest({0x01, 0x01}, {0x03, 0x03}));
  EXPECT_EQ(client->Receive(), Hex("03 00 00 0B 06 80 00 07 00 00 03"));
  EXPECT_TRUE(client->Closed());
  EXPECT_TRUE(Logged("refused: called TSAP 03 03 does not address rack 0 slot 2"));
  EXPECT_EQ(Connect(1)->OpenS7(2), 480) << "the PLC serves the right slot";
}

TEST_F(S7Test, ItemOutcomes) {
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  ASSERT_EQ(Control("set 1 m 60 0x01020304"), "ok");
  Bytes timeSize = S7Read(1, 0x84, 10, 0, 2);
  timeSize[22] = 0x0B;  // transport size TIME
  Bytes bitAddress = S7Read(1, 0x84, 10, 0, 2);
  bitAddress[30] |= 3;  // byte 0, bit 3
  Bytes otherSyntax = S7Read(1, 0x84, 10, 0, 2);
  otherSyntax[21] = 0xB0;
  const struct {
    const char* what;
    Bytes request;
    Bytes answer;  // from the return code on
  } cases[] = {
      {"flags", S7Read(1, 0x83, 0, 60, 4), Hex("FF 04 00 20 01 02 03 04")},
      {"outputs", S7Read(1, 0x82, 0, 1023, 1), Hex("FF 04 00 08 00")},
      {"no such block", S7Read(1, 0x84, 99, 0, 2), Hex("0A 00 00 00")},
      {"past the block", S7Read(1, 0x84, 20, 2, 4), Hex("05 00 00 00")},
      {"past the flags", S7Read(1, 0x83, 0, 62, 4), Hex("05 00 00 00")},
      {"instance data block", S7Read(1, 0x85, 1, 0, 2), Hex("03 00 00 00")},
      {"no bytes", S7Read(1, 0x84, 10, 0, 0), Hex("05 00 00 00")},
      {"transport size TIME", timeSize, Hex("06 00 00 00")},
      {"bit address", bitAddress, Hex("05 00 00 00")},
      {"syntax other than any pointer", otherSyntax, Hex("05 00 00 00")},
      {"write no such block", S7Write(1, 0x84, 99, 0, {1}), Hex("0A")},
      {"write past the block", S7Write(1, 0x84, 20, 3, {1, 2}), Hex("05")},
      {"write inputs", S7Write(1, 0x81, 0, 0, {7}), Hex("FF")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes answer = client->Exchange(c.request);
    ASSERT_GE(answer.size(), 14u);
    EXPECT_EQ(Bytes(answer.begin() + 14, answer.end()), c.answer);
    EXPECT_EQ(answer[8] * 256 + answer[9], static_cast<int>(answer.size()) - 14) << "data length";
  }
  EXPECT_EQ(Control("get 1 i 0 1"), "ok 07");
}

TEST_F(S7Test, JobOrAnswerLongerThanThePduGetsAHeaderErrorAndTheConnectionStays) {
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  EXPECT_EQ(client->Exchange(S7Read(5, 0x84, 10, 0, 462)).size(), 480u) << "18 + 462 fits";
  EXPECT_EQ(client->Exchange(S7Read(6, 0x84, 10, 0, 463)),
            Hex("32 03 00 00 00 06 00 02 00 00 85 00 04 00"));
  EXPECT_EQ(client->Exchange(S7Write(7, 0x84, 10, 0, Bytes(452, 0))).size(), 15u) << "480 fits";
  EXPECT_EQ(client->Exchange(S7Write(8, 0x84, 10, 0, Bytes(453, 0))),
            Hex("32 03 00 00 00 08 00 02 00 00 85 00 05 00"));
  EXPECT_TRUE(
      Logged("job 8: a request of 481 bytes, longer than the PDU of 480: refused with "
             "header error 0x8500"));
  EXPECT_EQ(client->Exchange(S7Read(9, 0x84, 10, 0, 1)).size(), 19u);
}

TEST_F(S7Test, RequestsSplitAnyWayAreReassembled) {
  auto client = Connect(1);
  ASSERT_EQ(client->OpenS7(), 480);
  ASSERT_EQ(Control("set 1 db10 100 0xBEEF"), "ok");
  // Byte by byte, with the loop running in between.
  const Bytes first = S7Read(7, 0x84, 10, 100, 2);
  for (std::size_t i = 0; i < first.size(); ++i) {
    client->Send({first[i]});
    if (i + 1 < first.size()) {
      EXPECT_TRUE(client->Quiet()) << "after byte " << i;
    }
  }
  EXPECT_EQ(client->ReceiveMessage(), Hex("32 03 00 00 00 07 00 02 00 06 00 00 04 01 FF 04 00 10 "
                                          "BE EF"));
  // One job in two data TPDUs, then two jobs in one send.
  const Bytes read = S7Read(8, 0x84, 10, 100, 2);
  const Bytes job(read.begin() + 7, read.end());
  client->Send(Concat(
      {Data(Bytes(job.begin(), job.begin() + 5), false), Data(Bytes(job.begin() + 5, job.end()))}));
  EXPECT_EQ(client->ReceiveMessage()[5], 8);
  client->Send(Concat({S7Read(9, 0x84, 10, 100, 2), S7Read(10, 0x84, 10, 101, 1)}));
  EXPECT_EQ(client->ReceiveMessage()[5], 9);
  EXPECT_EQ(client->ReceiveMessage(), Hex("32 03 00 00 00 0A 00 02 00 05 00 00 04 01 FF 04 00 08 "
                                          "EF"));
}

TEST_F(S7Test, MalformedInputClosesTheConnectionWithALogLine) {
  const Bytes read = S7Read(1, 0x84, 10, 0, 2);
  auto patched = [&read](std::size_t at, uint8_t value) {
    Bytes copy = read;
    copy[at] = value;
    return copy;
  };
  Bytes twoItems = read;
  twoItems[18] = 2;  // with one item behind
  Bytes shortWrite = S7Write(1, 0x84, 10, 0, {1, 2});
  shortWrite[34] = 24;  // says 3 bytes, carries 2
  const struct {
    const char* what;
    bool setup;
    Bytes bytes;
    const char* log;
  } cases[] = {
      {"TPKT version", false, Hex("04 00 00 07 02 F0 80"), "malformed TPKT (TPKT version 4)"},
      {"TPKT too short", false, Hex("03 00 00 06 02 F0"), "malformed TPKT (TPKT length 6)"},
      {"data before connect", false, read, "TPDU code 0xF0 before a connect request"},
      {"job before setup", false, Concat({ConnectRequest({1, 1}, {3, 2}), read}),
       "job before setup communication"},
      {"second connect", true, ConnectRequest({1, 1}, {3, 2}), "TPDU code 0xE0 on a connected"},
      {"protocol id", true, patched(7, 0x31), "protocol id 0x31"},
      {"ack-data from a client", true, patched(8, 0x03), "message type 0x03 is not a job"},
      {"parameter length", true, patched(14, 13), "parameter length 13"},
      {"item count", true, twoItems, "parameter of 14 bytes ends before item 2 of 2"},
      {"no items", true, patched(18, 0), "a job without items"},
      {"variable specification", true, patched(19, 0x13), "item specification 0x13 of item 1"},
      {"item length", true, patched(20, 0x0B), "item 1 of 1 runs past the parameter"},
      {"write data length", true, shortWrite, "write data of 3 bytes in 2"},
      {"data TPDU header", true, patched(4, 3), "data TPDU header"},
      {"TPDU over the size granted", false,
       Concat({ConnectRequest({1, 1}, {3, 2}, 0x07), Data(Bytes(140, 0))}), "TPKT length 147"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto client = Connect(1);
    if (c.setup) {
      ASSERT_EQ(client->OpenS7(), 480);
    }
    client->Send(c.bytes);
    EXPECT_TRUE(client->Closed());
    EXPECT_TRUE(Logged(c.log));
  }
  EXPECT_EQ(Connect(1)->OpenS7(), 480);
}

}  // namespace
}  // namespace plcsim::testing

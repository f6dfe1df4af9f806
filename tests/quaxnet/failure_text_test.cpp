// The last failure of a connection in words: each step a PLC can fail at, named as the host shows
// it; kept across the close of a connection the host gave up, and forgotten once the place
// answers again.
#include <functional>
#include <string>
#include <vector>

#include "quaxnet/clock.h"
#include "quaxnet/quaxnet_fixture.h"
#include "quaxnet/trace.h"

namespace zan::testing {
namespace {

uint64_t fakeNow = 0;
uint64_t FakeClock() {
  return fakeNow;
}

std::vector<std::string> traced;
void CaptureTrace(const char* line) {
  traced.emplace_back(line);
}

class FailureTextTest : public QuaxnetTest {
 protected:
  // The connection's failure as QxConnectionFailure tells it, without the address and port in
  // front (checked to be this peer's); the answer goes to `answer`.
  std::string Failure(uint16_t handle, int* answer = nullptr) {
    char text[512];
    const int result = QxConnectionFailure(sizeof text, text, handle);
    if (answer != nullptr) *answer = result;
    const std::string place = "127.0.0.1 port " + std::to_string(peer.port()) + ": ";
    const std::string words = text;
    if (words.rfind(place, 0) != 0) return words.empty() ? "" : "(not at " + place + ") " + words;
    return words.substr(place.size());
  }

  // An S7 connection whose connect request got to the peer; its handle.
  uint16_t OpenS7UpToRequest(uint16_t* reference, uint16_t timeout = 1000) {
    ConnectRequest block = S7Block();
    block.timeout = timeout;
    if (QxOpenS7Connection(&block, 0) != 0) return 0;
    const uint16_t handle = block.handle;
    const Pump pump = [handle] { QxConnectionState(handle); };
    if (!peer.Accept(pump)) return 0;
    *reference = ConnectRequestReference(peer.ReadTpkt(pump));
    return handle;
  }

  // The handle once the connection reports itself broken; 0 when it does not.
  uint16_t Broken(uint16_t handle) { return StateUntil(handle, 9) == 9 ? handle : 0; }
};

// What the peer does to a connection (the connection's handle), and the words of its failure.
struct Fault {
  const char* name;
  std::function<uint16_t()> play;
  const char* words;
};

TEST_F(FailureTextTest, EachStepThatFailsIsNamed) {
  auto& t = *this;
  const Fault faults[] = {
      {"the connect request answered with a disconnect request",
       [&t] {
         uint16_t reference = 0;
         const uint16_t handle = t.OpenS7UpToRequest(&reference);
         t.peer.Send(Tpkt({0x06, 0x80, High(reference), Low(reference), 0x43, 0x21, 0x00}));
         return t.Broken(handle);
       },
       "connection request rejected by the PLC: disconnect request (TSAPs sent: local 01 01, "
       "remote 03 02)"},
      {"the connect request answered by closing",
       [&t] {
         uint16_t reference = 0;
         const uint16_t handle = t.OpenS7UpToRequest(&reference);
         t.peer.Drop();
         return t.Broken(handle);
       },
       "connection request rejected by the PLC: TCP connection closed (TSAPs sent: local 01 01, "
       "remote 03 02)"},
      {"a confirm of class 2",
       [&t] {
         uint16_t r = 0;
         const uint16_t handle = t.OpenS7UpToRequest(&r);
         t.peer.Send(Tpkt({0x06, 0xD0, High(r), Low(r), 0x43, 0x21, 0x20}));
         return t.Broken(handle);
       },
       "connect confirm not understood: a TPDU other than a connect confirm of class 0 with a TPDU "
       "size of 128 to 1024 (TSAPs sent: local 01 01, remote 03 02)"},
      {"setup communication refused",
       [&t] {
         uint16_t reference = 0;
         const uint16_t handle = t.OpenS7UpToRequest(&reference);
         t.peer.Send(ConnectConfirm(reference));
         const Pump pump = [handle] { QxConnectionState(handle); };
         t.peer.Send(DataTpkt(S7HeaderError(PduReference(t.peer.ReadMessage(pump)), 0x83, 0x04)));
         return t.Broken(handle);
       },
       "setup communication refused by the PLC (error class 0x83, code 0x04)"},
      {"a read answered with another PDU reference",
       [&t] {
         const uint16_t handle = t.ConnectS7();
         const Bytes job = t.SendRead(Record(handle, 1, 10, 0, 2));
         t.peer.SendMessage(S7ReadAnswer(PduReference(job) + 1, {1, 2}));
         uint16_t status = 0;
         return t.Receive(handle, &status) == 9 ? handle : uint16_t{0};
       },
       "answer to the read malformed: not the answer to the part on its way (S7 header, PDU "
       "reference, function or length)"},
      {"a TPKT of version 7",
       [&t] {
         const uint16_t handle = t.ConnectS7();
         t.SendRead(Record(handle, 1, 10, 0, 2));
         t.peer.Send({0x07, 0x00, 0x00, 0x07, 0x02, 0xF0, 0x80});
         uint16_t status = 0;
         return t.Receive(handle, &status) == 9 ? handle : uint16_t{0};
       },
       "answer to the read malformed: a TPKT header not valid (version, or length)"},
      {"a PLC that drops an idle connection",
       [&t] {
         const uint16_t handle = t.ConnectS7();
         t.peer.Drop();
         return t.Broken(handle);
       },
       "connection closed by the PLC (TCP connection closed)"},
      {"a write on its way when the PLC drops",
       [&t] {
         const uint16_t handle = t.ConnectS7();
         TransferRecord record = Record(handle, 1, 10, 0, 2);
         const uint8_t data[2] = {1, 2};
         if (QxSendWrite(&record, data) != 0 || t.peer.ReadMessage().empty()) return uint16_t{0};
         t.peer.Drop();
         uint16_t status = 0;
         return t.Completion(handle, &status) == 9 ? handle : uint16_t{0};
       },
       "connection closed by the PLC (TCP connection closed) while the write was on its way"},
      {"nothing listens",
       [&t] {
         t.peer.StopListening();
         ConnectRequest block = S7Block();
         if (QxOpenS7Connection(&block, 0) != 0) return uint16_t{0};
         return t.Broken(block.handle);
       },
       "TCP connection refused: nothing listens at that port"},
  };
  traced.clear();
  quaxnet::InstallTraceSink(&CaptureTrace);
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    const std::size_t tracedBefore = traced.size();
    const uint16_t handle = fault.play();
    ASSERT_NE(handle, 0);
    int answer = -1;
    EXPECT_EQ(Failure(handle, &answer), fault.words);
    EXPECT_EQ(answer, 0);
    // The break is traced once, as it happens, in the same words.
    EXPECT_EQ(std::vector<std::string>(traced.begin() + tracedBefore, traced.end()),
              std::vector<std::string>{"quaxnet: connection " + std::to_string(handle) +
                                       ": broken: 127.0.0.1 port " + std::to_string(peer.port()) +
                                       ": " + fault.words});
    QxCloseConnection(handle);
  }
  quaxnet::InstallTraceSink(nullptr);
}

TEST_F(FailureTextTest, SilenceIsCountedInTheConnectionsTimeLimit) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  uint16_t reference = 0;
  const uint16_t atRequest = OpenS7UpToRequest(&reference, 500);
  ASSERT_NE(atRequest, 0);
  fakeNow += 501;
  EXPECT_EQ(QxConnectionState(atRequest), 9);
  EXPECT_EQ(Failure(atRequest),
            "no answer to the connection request within 500 ms (TSAPs sent: local 01 01, remote "
            "03 02)");

  ConnectRequest block = S7Block();
  block.timeout = 500;
  const uint16_t reading = Connect(block, 240);
  ASSERT_NE(reading, 0);
  ASSERT_FALSE(SendRead(Record(reading, 1, 10, 0, 2)).empty());
  fakeNow += 751;
  uint16_t status = 0;
  // A read that no answer follows is forgotten (its late answer dropped whenever it comes): no
  // failure of the connection.
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, reading), 8);
  int answer = -1;
  EXPECT_EQ(Failure(reading, &answer), "");
  EXPECT_EQ(answer, 8);
}

TEST_F(FailureTextTest, ConnectGivenUpByTheHostKeepsItsFailureUnderItsHandle) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  uint16_t reference = 0;
  const uint16_t given = OpenS7UpToRequest(&reference);
  ASSERT_NE(given, 0);
  fakeNow += 120;  // the host stops waiting before the connection's own limit of 1000 ms
  ASSERT_EQ(QxCloseConnection(given), 0);
  EXPECT_EQ(QxConnectionState(given), 2) << "closed";
  EXPECT_EQ(Failure(given),
            "no answer to the connection request within 120 ms (TSAPs sent: local 01 01, remote "
            "03 02)");

  // The same place answers now: what the closed connection says is out of date.
  const uint16_t later = ConnectS7();
  ASSERT_NE(later, 0);
  int answer = -1;
  EXPECT_EQ(Failure(later, &answer), "");
  EXPECT_EQ(answer, 8) << "an established connection has no failure";
  EXPECT_EQ(Failure(given, &answer), "");
  EXPECT_EQ(answer, 2);
}

TEST_F(FailureTextTest, ConnectGivenUpByTheHostLeavesWhatAnotherConnectionMetThere) {
  // An S5's write connection given up once its fetch connection was rejected: the rejection is
  // still what the place tells.
  uint16_t reference = 0;
  const uint16_t rejected = OpenS7UpToRequest(&reference);
  ASSERT_NE(rejected, 0);
  peer.Send(Tpkt({0x06, 0x80, High(reference), Low(reference), 0x43, 0x21, 0x00}));
  ASSERT_EQ(Broken(rejected), rejected);
  const uint16_t given = OpenS7UpToRequest(&reference);
  ASSERT_NE(given, 0);
  ASSERT_EQ(QxCloseConnection(rejected), 0);
  ASSERT_EQ(QxCloseConnection(given), 0);
  EXPECT_EQ(Failure(rejected),
            "connection request rejected by the PLC: disconnect request (TSAPs sent: local 01 01, "
            "remote 03 02)");
  EXPECT_EQ(Failure(given).rfind("no answer to the connection request within ", 0), 0u)
      << Failure(given);
}

TEST_F(FailureTextTest, RestartedConnectionForgetsItsFailureOnceEstablished) {
  const uint16_t handle = ConnectS5("KORREAD ");
  ASSERT_NE(handle, 0);
  peer.Drop();
  ASSERT_EQ(StateUntil(handle, 9), 9);
  EXPECT_EQ(Failure(handle), "connection closed by the PLC (TCP connection closed)");
  ASSERT_EQ(QxRestartConnection(handle), 1);
  const Pump pump = [handle] { QxConnectionState(handle); };
  ASSERT_TRUE(peer.Accept(pump));
  peer.Send(Tpkt({0x06, 0x80, 0x00, 0x00, 0x43, 0x21, 0x00}));
  ASSERT_EQ(StateUntil(handle, 9), 9);
  EXPECT_EQ(Failure(handle),
            "connection request rejected by the PLC: disconnect request (TSAPs sent: local "
            "\"KORVEL\", remote \"KORREAD\")");
  ASSERT_EQ(QxRestartConnection(handle), 1);
  ASSERT_TRUE(peer.Accept(pump));
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  ASSERT_EQ(StateUntil(handle, 0), 0);
  int answer = -1;
  EXPECT_EQ(Failure(handle, &answer), "");
  EXPECT_EQ(answer, 8);
}

TEST_F(FailureTextTest, TextIsCutToTheBufferAndArgumentsAreChecked) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  peer.Drop();
  ASSERT_EQ(StateUntil(handle, 9), 9);
  char text[8] = "xxxxxxx";
  EXPECT_EQ(QxConnectionFailure(4, text, handle), 0);
  EXPECT_STREQ(text, "127");
  EXPECT_EQ(text[4], 'x') << "written past the size given";
  EXPECT_EQ(QxConnectionFailure(0, text, handle), 1);
  EXPECT_EQ(QxConnectionFailure(sizeof text, nullptr, handle), 1);
  EXPECT_EQ(QxConnectionFailure(sizeof text, text, 0), 2);
  EXPECT_EQ(QxConnectionFailure(sizeof text, text, 1025), 2);
}

}  // namespace
}  // namespace zan::testing

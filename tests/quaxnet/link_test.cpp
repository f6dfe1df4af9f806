// Connections of the transport library against a scripted PLC on loopback: the bytes of the
// connect, the faults that break a connection, time limits, restart, close, handles, arguments.
#include <cstring>
#include <set>
#include <string>

#include "net/socket.h"
#include "quaxnet/clock.h"
#include "quaxnet/connection_table.h"
#include "quaxnet/quaxnet_fixture.h"
#include "support/environment.h"

namespace zan::testing {
namespace {

uint64_t fakeNow = 0;
bool ticking = false;  // every reading of the clock a millisecond later than the one before
uint64_t FakeClock() {
  return ticking ? fakeNow++ : fakeNow;
}

TEST_F(QuaxnetTest, S7ConnectSendsTheBlocksTsapsThenAsksForPdu960) {
  ConnectRequest block = S7Block(3);
  ASSERT_EQ(QxOpenS7Connection(&block, 0), 0);
  EXPECT_EQ(block.status, 3);
  const uint16_t handle = block.handle;
  const Pump pump = [handle] { QxConnectionState(handle); };
  ASSERT_TRUE(peer.Accept(pump));
  const Bytes request = peer.ReadTpkt(pump);
  const uint16_t reference = ConnectRequestReference(request);
  EXPECT_NE(reference, 0);
  EXPECT_EQ(request,
            (Bytes{0x03,           0x00, 0x00, 0x16, 0x11, 0xE0, 0x00, 0x00, High(reference),
                   Low(reference), 0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x02, 0x01, 0x01,
                   0xC2,           0x02, 0x03, 0x03}));
  EXPECT_EQ(QxConnectionState(handle), 3);

  peer.Send(ConnectConfirm(reference));
  const Bytes setup = peer.ReadMessage(pump);
  const uint16_t pdu = PduReference(setup);
  EXPECT_EQ(setup, (Bytes{0x32, 0x01, 0x00, 0x00, High(pdu), Low(pdu), 0x00, 0x08, 0x00, 0x00, 0xF0,
                          0x00, 0x00, 0x01, 0x00, 0x01, 0x03, 0xC0}));
  EXPECT_EQ(QxConnectionState(handle), 3) << "established only once setup is answered";
  EXPECT_EQ(QxConnectionPduSize(handle), 0);
  peer.SendMessage(S7SetupAnswer(pdu, 480));
  EXPECT_EQ(StateUntil(handle, 0), 0);
  // The size granted, for a host that plans its reads by it.
  EXPECT_EQ(QxConnectionPduSize(handle), 480);
  EXPECT_EQ(QxConnectionPduSize(handle + 1), 0);
}

TEST_F(QuaxnetTest, S5ConnectSendsTextTsapsAndNeedsNoSetup) {
  ConnectRequest block = S5Block("KORWRITE");
  ASSERT_EQ(QxOpenS5Connection(&block), 0);
  const uint16_t handle = block.handle;
  const Pump pump = [handle] { QxConnectionState(handle); };
  ASSERT_TRUE(peer.Accept(pump));
  const Bytes request = peer.ReadTpkt(pump);
  const uint16_t reference = ConnectRequestReference(request);
  Bytes expected = {0x03,           0x00, 0x00, 0x22, 0x1D, 0xE0, 0x00, 0x00, High(reference),
                    Low(reference), 0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x08};
  for (char c : std::string("KORVEL  \xC2\x08KORWRITE"))
    expected.push_back(static_cast<uint8_t>(c));
  EXPECT_EQ(request, expected);
  peer.Send(ConnectConfirm(reference));
  EXPECT_EQ(StateUntil(handle, 0), 0);
  EXPECT_TRUE(peer.Quiet());
  EXPECT_EQ(QxConnectionPduSize(handle), 0);
}

// What the PLC answers to the connect request, and to the setup communication (empty: nothing).
struct ConnectFault {
  const char* name;
  Bytes (*toRequest)(uint16_t reference);
  Bytes (*toSetup)(uint16_t reference);
};

TEST_F(QuaxnetTest, ConnectFaultsBreakTheConnection) {
  const ConnectFault faults[] = {
      {"disconnect request",
       [](uint16_t r) {
         return Tpkt({0x06, 0x80, High(r), Low(r), 0x43, 0x21, 0x00});
       },
       nullptr},
      {"confirm of another reference", [](uint16_t r) { return ConnectConfirm(r + 1); }, nullptr},
      {"confirm of TPDU size 2048",
       [](uint16_t r) {
         return Tpkt({0x09, 0xD0, High(r), Low(r), 0x43, 0x21, 0x00, 0xC0, 0x01, 0x0B});
       },
       nullptr},
      {"confirm of class 2",
       [](uint16_t r) {
         return Tpkt({0x06, 0xD0, High(r), Low(r), 0x43, 0x21, 0x20});
       },
       nullptr},
      {"data before the confirm", [](uint16_t) { return DataTpkt({0x32}); }, nullptr},
      {"setup refused", ConnectConfirm,
       [](uint16_t r) { return DataTpkt(S7HeaderError(r, 0x81, 0x04)); }},
      {"setup granting 16 bytes", ConnectConfirm,
       [](uint16_t r) { return DataTpkt(S7SetupAnswer(r, 16)); }},
  };
  for (const ConnectFault& fault : faults) {
    SCOPED_TRACE(fault.name);
    ConnectRequest block = S7Block();
    ASSERT_EQ(QxOpenS7Connection(&block, 0), 0);
    const uint16_t handle = block.handle;
    const Pump pump = [handle] { QxConnectionState(handle); };
    ASSERT_TRUE(peer.Accept(pump));
    peer.Send(fault.toRequest(ConnectRequestReference(peer.ReadTpkt(pump))));
    if (fault.toSetup != nullptr) peer.Send(fault.toSetup(PduReference(peer.ReadMessage(pump))));
    EXPECT_EQ(StateUntil(handle, 9), 9);
    EXPECT_TRUE(peer.SeesClose());
    QxCloseConnection(handle);
  }
}

TEST_F(QuaxnetTest, RefusedDroppedAndSilentPeersBreakTheConnection) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  ConnectRequest block = S7Block();
  block.timeout = 500;
  ASSERT_EQ(QxOpenS7Connection(&block, 0), 0);
  const uint16_t silent = block.handle;
  const Pump pump = [silent] { QxConnectionState(silent); };
  ASSERT_TRUE(peer.Accept(pump));
  ASSERT_FALSE(peer.ReadTpkt(pump).empty());
  fakeNow += 500;
  EXPECT_EQ(QxConnectionState(silent), 3) << "within the block's time-out";
  fakeNow += 1;
  EXPECT_EQ(QxConnectionState(silent), 9);
  EXPECT_TRUE(peer.SeesClose());

  const uint16_t dropped = ConnectS7();
  ASSERT_NE(dropped, 0);
  peer.Drop();
  EXPECT_EQ(StateUntil(dropped, 9), 9);
  TransferRecord record = Record(dropped, 1, 1, 0, 2);
  EXPECT_EQ(QxSendRead(&record), 9);

  peer.StopListening();  // nobody listens on the port any more: TCP refuses
  block = S7Block();
  ASSERT_EQ(QxOpenS7Connection(&block, 0), 0);
  EXPECT_EQ(StateUntil(block.handle, 9), 9);
}

TEST_F(QuaxnetTest, TimeLimitThatRunsOutDuringAWaitCountsAtTheNextOperation) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  ConnectRequest block = S7Block();
  block.timeout = 500;
  const uint16_t handle = Connect(block, 240);
  ASSERT_NE(handle, 0);
  ASSERT_FALSE(SendRead(Record(handle, 1, 10, 0, 2)).empty());  // sent at 1000, never answered
  // A read waits for its answer the block's 500 ms and half of it again.
  fakeNow = 1750;
  ticking = true;
  uint16_t status = 0;
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 6)
      << "the limit is judged when the operation begins, whatever its wait lasts";
  ticking = false;
  fakeNow = 1751;
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 8)
      << "an S7 read past its limit is forgotten, and nothing is outstanding";
  EXPECT_EQ(QxConnectionState(handle), 0) << "the connection stays";
}

TEST_F(QuaxnetTest, StatePollsOfARoundOverManyConnectionsDoNotEachWaitForTheirPeer) {
  // Two connections whose connection requests nobody answers (the listener's backlog takes TCP,
  // nobody accepts), polled by turns without a pause, as a host that waits for many connections at
  // once polls them. A poll that waited for its peer would last about 1 ms: 400 of them 400 ms.
  ConnectRequest first = S7Block();
  ConnectRequest second = S7Block();
  ASSERT_EQ(QxOpenS7Connection(&first, 0), 0);
  ASSERT_EQ(QxOpenS7Connection(&second, 0), 0);
  const uint64_t start = net::MonotonicMicroseconds();
  for (int round = 0; round < 200; ++round) {
    ASSERT_EQ(QxConnectionState(first.handle), 3);
    ASSERT_EQ(QxConnectionState(second.handle), 3);
  }
  EXPECT_LT(net::MonotonicMicroseconds() - start, 200'000u) << "only the first poll waits";
}

TEST_F(QuaxnetTest, AbandonedJobIsSettledWithinTheWaitOfTheRequestThatFoundIt) {
  // A read of two parts whose second part goes out late and is never answered. The driver gives up
  // a time-out after its send; its next request finds the read outstanding and waits at most a
  // time-out for it. The part is forgotten by then, however late it went out, and the request after
  // that goes out.
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  ConnectRequest block = S7Block();
  block.timeout = 500;
  const uint16_t handle = Connect(block, 240);  // 222 bytes an answer
  ASSERT_NE(handle, 0);
  const Bytes first = SendRead(Record(handle, 1, 10, 0, 300));
  ASSERT_FALSE(first.empty());
  fakeNow = 1450;
  peer.SendMessage(S7ReadAnswer(PduReference(first), Bytes(222, 0x11)));
  uint16_t status = 0;
  const Pump pump = [&] { QxReceiveRead(sizeof buffer, buffer, &status, handle); };
  const Bytes second = peer.ReadMessage(pump);  // sent at 1450, never answered in time
  ASSERT_FALSE(second.empty());
  fakeNow = 1501;  // the driver gave up at 1500
  TransferRecord next = Record(handle, 1, 10, 0, 2);
  EXPECT_EQ(QxSendRead(&next), 14) << "the read is still outstanding: abandoned";
  fakeNow = 1752;  // half a time-out after; the second part's own answer limit runs to 2200
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 8) << "forgotten";
  const Bytes job = SendRead(next);
  ASSERT_FALSE(job.empty()) << "the request after the one that found it outstanding goes out";
  peer.SendMessage(S7ReadAnswer(PduReference(second), Bytes(78, 0x22)));  // the late answer
  peer.SendMessage(S7ReadAnswer(PduReference(job), {0x12, 0x34}));
  EXPECT_EQ(Receive(handle, &status), 0);
  EXPECT_EQ(Bytes(buffer, buffer + 2), (Bytes{0x12, 0x34}));
  EXPECT_EQ(QxConnectionState(handle), 0) << "the connection stays";
}

TEST_F(QuaxnetTest, S5ReadPastItsAnswerLimitGetsANewLinkWithTheOldSocketClosedFirst) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  ConnectRequest block = S5Block("KORREAD ");
  block.timeout = 500;
  const uint16_t handle = Connect(block, 0);
  ASSERT_NE(handle, 0);
  ASSERT_FALSE(SendRead(Record(handle, 1, 10, 0, 1)).empty());  // never answered
  fakeNow += 751;  // past the block's 500 ms and half of it again
  uint16_t status = 0;
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 3) << "a new link on its way";
  EXPECT_TRUE(peer.SeesClose()) << "the old socket, where the answer could still come, is closed";
  const Pump pump = [handle] { QxConnectionState(handle); };
  ASSERT_TRUE(peer.Accept(pump));
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  EXPECT_EQ(StateUntil(handle, 0), 0) << "established again under the same handle";
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 8) << "the read is forgotten";
}

TEST_F(QuaxnetTest, PeerThatClosedWhileIdleIsFoundBeforeTheNextSend) {
  fakeNow = 1000;
  quaxnet::InstallClock(&FakeClock);
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  const Bytes job = SendRead(Record(handle, 1, 10, 0, 2));
  peer.SendMessage(S7ReadAnswer(PduReference(job), {0x12, 0x34}));
  uint16_t status = 0;
  ASSERT_EQ(Receive(handle, &status), 0);
  peer.Drop();
  fakeNow += 1;  // the socket was last found empty a millisecond ago
  TransferRecord record = Record(handle, 1, 10, 0, 2);
  EXPECT_EQ(QxSendRead(&record), 9) << "the request must not go out on a closed connection";
}

TEST_F(QuaxnetTest, RestartClosesForgetsWhatArrivedAndConnectsAnew) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  const Bytes job = SendRead(Record(handle, 1, 10, 0, 2));
  peer.SendMessage(S7ReadAnswer(PduReference(job), {0xAA, 0xBB}));  // arrives, never collected

  EXPECT_EQ(QxRestartConnection(handle), 1);
  EXPECT_TRUE(peer.SeesClose());
  EXPECT_EQ(QxConnectionState(handle), 3);
  const Pump pump = [handle] { QxConnectionState(handle); };
  ASSERT_TRUE(peer.Accept(pump));
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  peer.SendMessage(S7SetupAnswer(PduReference(peer.ReadMessage(pump)), 240));
  ASSERT_EQ(StateUntil(handle, 0), 0);

  uint16_t status = 0;
  EXPECT_EQ(QxReceiveRead(sizeof buffer, buffer, &status, handle), 8);
  EXPECT_EQ(buffer[0], 0xEE) << "bytes from before the restart were handed out";
}

TEST_F(QuaxnetTest, ClosingTheLibraryClosesEveryConnection) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  EXPECT_EQ(QxCloseLibrary(), 0);
  EXPECT_TRUE(peer.SeesClose());
  EXPECT_EQ(QxConnectionState(handle), 2);
  ConnectRequest block = S7Block();
  EXPECT_EQ(QxOpenS7Connection(&block, 0), 13);
  ASSERT_EQ(QxOpenLibrary(), 0);
}

TEST_F(QuaxnetTest, PortOverrideThatIsNoPortKeepsTheLibraryAndItsConnectionsShut) {
  const std::string port = std::to_string(peer.port());
  ASSERT_EQ(QxCloseLibrary(), 0);
  for (const char* bad : {"abc", "0", "65536", "102x", "-1"}) {
    ASSERT_TRUE(SetEnvironment("QUAXNET_PORT", bad));
    EXPECT_EQ(QxOpenLibrary(), 1) << bad;
  }
  ASSERT_TRUE(SetEnvironment("QUAXNET_PORT", port.c_str()));
  ASSERT_EQ(QxOpenLibrary(), 0);
  ASSERT_TRUE(SetEnvironment("QUAXNET_PORT", "abc"));
  ConnectRequest block = S7Block();
  EXPECT_EQ(QxOpenS7Connection(&block, 0), 1) << "the port changed under an open library";
  ASSERT_TRUE(SetEnvironment("QUAXNET_PORT", port.c_str()));
}

TEST_F(QuaxnetTest, HandlesAreSmallAndNotReusedWhileOpen) {
  ConnectRequest first = S7Block(), second = S5Block("KORREAD "), third = S7Block();
  ASSERT_EQ(QxOpenS7Connection(&first, 0), 0);
  ASSERT_EQ(QxOpenS5Connection(&second), 0);
  EXPECT_EQ(QxCloseConnection(first.handle), 0);
  EXPECT_EQ(QxCloseConnection(first.handle), 2);
  ASSERT_EQ(QxOpenS7Connection(&third, 0), 0);
  EXPECT_NE(second.handle, first.handle);
  EXPECT_NE(third.handle, second.handle);
  EXPECT_NE(third.handle, first.handle) << "a closed handle is not taken again at once";
  EXPECT_TRUE(first.handle >= 1 && second.handle >= 1 && third.handle >= 1);
  EXPECT_TRUE(first.handle <= 1024 && second.handle <= 1024 && third.handle <= 1024);
}

// Connections that come and go, a few open at a time, take the same slots of the table again (its
// memory stays that of the few), while their handles go on through every free handle.
TEST_F(QuaxnetTest, ConnectionsThatComeAndGoReuseTheirSlotsButNotTheirHandles) {
  std::set<const quaxnet::Connection*> slots;
  std::set<uint16_t> handles;
  ConnectRequest held = S7Block();
  ASSERT_EQ(QxOpenS7Connection(&held, 0), 0);
  for (int i = 0; i < 200; ++i) {
    ConnectRequest block = S7Block();
    ASSERT_EQ(QxOpenS7Connection(&block, 0), 0);
    EXPECT_NE(block.handle, held.handle);
    slots.insert(quaxnet::FindConnection(block.handle));
    handles.insert(block.handle);
    // As a reconnect does: the new connection first, then the one it replaces closed.
    ASSERT_EQ(QxCloseConnection(held.handle), 0);
    held = block;
  }
  EXPECT_EQ(slots.size(), 2u) << "two open at a time: two slots";
  EXPECT_EQ(handles.size(), 200u) << "no handle given again while others are free";
  EXPECT_EQ(QxCloseConnection(held.handle), 0);
}

TEST_F(QuaxnetTest, UnusableArgumentsAreRefused) {
  const uint16_t handle = ConnectS7();
  ASSERT_NE(handle, 0);
  auto open = [](void (*change)(ConnectRequest&)) {
    ConnectRequest block = S7Block();
    change(block);
    return QxOpenS7Connection(&block, 0);
  };
  auto read = [](TransferRecord record) { return QxSendRead(&record); };
  ConnectRequest block = S7Block();
  uint16_t status;
  const struct {
    const char* name;
    int answer;
    int expected;
  } cases[] = {
      {"null block", QxOpenS5Connection(nullptr), 1},
      {"second argument not 0", QxOpenS7Connection(&block, 1), 1},
      {"block length", open([](ConnectRequest& b) { b.length = 80; }), 1},
      {"empty TSAP", open([](ConnectRequest& b) { b.remoteTsapLength = 0; }), 1},
      {"TSAP of 9 bytes", open([](ConnectRequest& b) { b.localTsapLength = 9; }), 1},
      {"unknown handle", read(Record(1025, 1, 1, 0, 2)), 2},
      {"area 5", read(Record(handle, 5, 1, 0, 2)), 1},
      {"length 0", read(Record(handle, 1, 1, 0, 0)), 1},
      {"10001 bytes", read(Record(handle, 1, 1, 0, 10001)), 1},
      {"null status", QxReceiveRead(sizeof buffer, buffer, nullptr, handle), 1},
      {"nothing sent", QxReceiveRead(sizeof buffer, buffer, &status, handle), 8},
      {"no write sent", QxWriteCompletion(&status, handle), 8},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.answer, c.expected) << c.name;
  EXPECT_EQ(QxConnectionState(handle), 0) << "refused arguments leave the connection as it was";
}

}  // namespace
}  // namespace zan::testing

#include "quaxnet/quaxnet_fixture.h"

#include <cstring>

#include "quaxnet/clock.h"

namespace zan::testing {
namespace {

// Each poll waits at most about 1 ms for data on its way: bounded loops, never a sleep.
constexpr int kPolls = 3000;

ConnectRequest LoopbackBlock() {
  ConnectRequest block;
  std::memset(&block, 0, sizeof block);
  block.length = 86;
  block.parameterOffset = 54;
  block.ipAddress = 0x7F000001;  // 127.0.0.1
  block.port = 102;
  block.constant56 = 2;
  block.constant57 = 4;
  block.constant58 = 1045;
  block.timeout = 1000;
  block.constant62 = 24;
  return block;
}

}  // namespace

void QuaxnetTest::SetUp() {
  ASSERT_NE(peer.port(), 0);
  ASSERT_EQ(QxOpenLibrary(), 0);
  std::memset(buffer, 0xEE, sizeof buffer);
}

void QuaxnetTest::TearDown() {
  EXPECT_EQ(QxCloseLibrary(), 0);
  quaxnet::InstallClock(nullptr);
}

ConnectRequest QuaxnetTest::S7Block(uint8_t slot) {
  ConnectRequest block = LoopbackBlock();
  block.remoteTsapLength = 2;
  block.remoteTsap[0] = 0x03;
  block.remoteTsap[1] = slot;
  block.localTsapLength = 2;
  block.localTsap[0] = 0x01;
  block.localTsap[1] = 0x01;
  return block;
}

ConnectRequest QuaxnetTest::S5Block(const char* remoteTsap) {
  ConnectRequest block = LoopbackBlock();
  block.remoteTsapLength = 8;
  std::memcpy(block.remoteTsap, remoteTsap, 8);
  block.localTsapLength = 8;
  std::memcpy(block.localTsap, "KORVEL  ", 8);
  return block;
}

uint16_t QuaxnetTest::ConnectS7(uint16_t pduSize) {
  ConnectRequest block = S7Block();
  if (QxOpenS7Connection(&block, 0) != 0) return 0;
  const uint16_t handle = block.handle;
  const Pump pump = [handle] { QxConnectionState(handle); };
  if (!peer.Accept(pump)) return 0;
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  const Bytes setup = peer.ReadMessage(pump);
  peer.SendMessage(S7SetupAnswer(PduReference(setup), pduSize));
  return StateUntil(handle, 0) == 0 ? handle : 0;
}

uint16_t QuaxnetTest::ConnectS5(const char* remoteTsap) {
  ConnectRequest block = S5Block(remoteTsap);
  if (QxOpenS5Connection(&block) != 0) return 0;
  const uint16_t handle = block.handle;
  const Pump pump = [handle] { QxConnectionState(handle); };
  if (!peer.Accept(pump)) return 0;
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  return StateUntil(handle, 0) == 0 ? handle : 0;
}

int QuaxnetTest::StateUntil(uint16_t handle, int wanted) {
  int answer = -1;
  for (int i = 0; i < kPolls && answer != wanted; ++i)
    answer = QxConnectionState(handle);
  return answer;
}

int QuaxnetTest::Receive(uint16_t handle, uint16_t* status) {
  int answer = 6;
  for (int i = 0; i < kPolls && answer == 6; ++i)
    answer = QxReceiveRead(sizeof buffer, buffer, status, handle);
  return answer;
}

int QuaxnetTest::Completion(uint16_t handle, uint16_t* status) {
  int answer = 6;
  for (int i = 0; i < kPolls && answer == 6; ++i)
    answer = QxWriteCompletion(status, handle);
  return answer;
}

Bytes QuaxnetTest::SendRead(TransferRecord record) {
  if (QxSendRead(&record) != 0) return {};
  return peer.ReadMessage();
}

TransferRecord QuaxnetTest::Record(uint16_t handle, uint16_t area, uint16_t db, uint16_t start,
                                   uint16_t length) {
  return TransferRecord{handle, area, db, start, length};
}

}  // namespace zan::testing

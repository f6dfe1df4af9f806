#include "quaxnet/quaxnet_fixture.h"

#include <cstring>

#include "quaxnet/clock.h"

namespace zan::testing {
namespace {

// Each poll waits at most about 1 ms for data on its way: bounded loops, never a sleep.
constexpr int kPolls = 3000;

ConnectRequest LoopbackBlock(const char* remote, const char* local, uint8_t tsapLength) {
  ConnectRequest block;
  std::memset(&block, 0, sizeof block);
  block.length = 86;
  block.parameterOffset = 54;
  block.ipAddress = 0x7F000001;  // 127.0.0.1
  block.port = 102;
  block.timeout = 1000;
  block.remoteTsapLength = block.localTsapLength = tsapLength;
  std::memcpy(block.remoteTsap, remote, tsapLength);
  std::memcpy(block.localTsap, local, tsapLength);
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
  const char remote[] = {0x03, static_cast<char>(slot)};
  return LoopbackBlock(remote, "\x01\x01", 2);
}

ConnectRequest QuaxnetTest::S5Block(const char* remoteTsap) {
  return LoopbackBlock(remoteTsap, "KORVEL  ", 8);
}

uint16_t QuaxnetTest::Connect(ConnectRequest block, uint16_t pduSize) {
  const bool s7 = block.remoteTsapLength == 2;
  if ((s7 ? QxOpenS7Connection(&block, 0) : QxOpenS5Connection(&block)) != 0) return 0;
  const uint16_t handle = block.handle;
  const Pump pump = [handle] { QxConnectionState(handle); };
  if (!peer.Accept(pump)) return 0;
  peer.Send(ConnectConfirm(ConnectRequestReference(peer.ReadTpkt(pump))));
  if (s7) peer.SendMessage(S7SetupAnswer(PduReference(peer.ReadMessage(pump)), pduSize));
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

}  // namespace zan::testing

#include "quaxnet/link_io.h"

#include "quaxnet/clock.h"

namespace quaxnet {
namespace {

// About 1 ms of waiting per operation at most, in a few waits (one per arrival).
constexpr uint32_t kWaitBudgetMicroseconds = 1000;
constexpr int kMaxWaits = 8;
// Reads per step: a peer that floods the connection cannot hold the caller.
constexpr int kMaxReadsPerStep = 16;

bool HasTcp(Phase phase) {
  return phase == Phase::kAwaitingConfirm || phase == Phase::kAwaitingSetup ||
         phase == Phase::kEstablished;
}

void Flush(Connection& connection) {
  while (connection.outboundSent < connection.outboundBytes) {
    const long sent =
        platform::SendSome(connection.socket, connection.outbound + connection.outboundSent,
                           connection.outboundBytes - connection.outboundSent);
    if (sent < 0) {
      Break(connection);
      return;
    }
    if (sent == 0) return;  // the rest goes with a later step
    connection.outboundSent += static_cast<std::size_t>(sent);
  }
  connection.outboundBytes = 0;
  connection.outboundSent = 0;
}

void Receive(Connection& connection, uint64_t now) {
  for (int i = 0; i < kMaxReadsPerStep && HasTcp(connection.phase); ++i) {
    uint8_t* space = connection.inbound.FreeSpace();
    const std::size_t room = connection.inbound.FreeBytes();
    if (room == 0) return;
    const long received = platform::ReceiveSome(connection.socket, space, room);
    if (received < 0) {
      Break(connection);
      return;
    }
    if (received == 0) return;
    connection.inbound.Commit(static_cast<std::size_t>(received));
    ProcessInbound(connection, now);
    if (HasTcp(connection.phase)) Flush(connection);
  }
}

void Step(Connection& connection) {
  const uint64_t now = NowMilliseconds();
  if (connection.phase == Phase::kTcpConnecting) {
    switch (platform::CheckConnect(connection.socket)) {
      case platform::ConnectProgress::kConnected:
        OnTcpConnected(connection, now);
        break;
      case platform::ConnectProgress::kFailed:
        Break(connection);
        break;
      case platform::ConnectProgress::kInProgress:
        break;
    }
  }
  if (HasTcp(connection.phase)) {
    Flush(connection);
    Receive(connection, now);
  }
  CheckTimeLimits(connection, now);
  if (connection.phase == Phase::kBroken) CloseLink(connection);
}

}  // namespace

void StartLink(Connection& connection) {
  connection.socket = platform::OpenTcpSocket();
  if (connection.socket == platform::kNoSocket) {
    Break(connection);
    return;
  }
  switch (platform::StartConnect(connection.socket, connection.target.address,
                                 connection.target.port)) {
    case platform::ConnectProgress::kConnected:
      OnTcpConnected(connection, NowMilliseconds());
      Flush(connection);
      break;
    case platform::ConnectProgress::kInProgress:
      break;
    case platform::ConnectProgress::kFailed:
      Break(connection);
      break;
  }
  if (connection.phase == Phase::kBroken) CloseLink(connection);
}

void CloseLink(Connection& connection) {
  platform::CloseSocket(connection.socket);
  connection.socket = platform::kNoSocket;
}

void Advance(Connection& connection, bool mayWait) {
  if (connection.socket == platform::kNoSocket) return;
  Step(connection);
  if (!mayWait) return;
  const uint64_t start = platform::MonotonicMicroseconds();
  for (int i = 0;
       i < kMaxWaits && connection.socket != platform::kNoSocket && AwaitsPeer(connection); ++i) {
    const uint64_t elapsed = platform::MonotonicMicroseconds() - start;
    if (elapsed >= kWaitBudgetMicroseconds) return;
    const bool connecting = connection.phase == Phase::kTcpConnecting;
    const bool sending = connection.outboundSent < connection.outboundBytes;
    if (!platform::Wait(connection.socket, !connecting, connecting || sending,
                        static_cast<uint32_t>(kWaitBudgetMicroseconds - elapsed)))
      return;
    Step(connection);
  }
}

}  // namespace quaxnet

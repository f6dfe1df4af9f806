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
    std::size_t sent = 0;
    const net::Error error =
        net::Send(connection.socket, connection.outbound + connection.outboundSent,
                  connection.outboundBytes - connection.outboundSent, &sent);
    if (error == net::Error::kWouldBlock) return;  // the rest goes with a later step
    if (error != net::Error::kNone) {
      Break(connection);
      return;
    }
    connection.outboundSent += sent;
  }
  connection.outboundBytes = 0;
  connection.outboundSent = 0;
}

void Receive(Connection& connection, uint64_t now) {
  for (int i = 0; i < kMaxReadsPerStep && HasTcp(connection.phase); ++i) {
    uint8_t* space = connection.inbound.FreeSpace();
    const std::size_t room = connection.inbound.FreeBytes();
    if (room == 0) return;
    std::size_t received = 0;
    const net::Error error = net::Receive(connection.socket, space, room, &received);
    if (error == net::Error::kWouldBlock) return;
    if (error != net::Error::kNone) {
      Break(connection);
      return;
    }
    connection.inbound.Commit(received);
    ProcessInbound(connection, now);
    if (HasTcp(connection.phase)) Flush(connection);
  }
}

void Step(Connection& connection) {
  const uint64_t now = NowMilliseconds();
  if (connection.phase == Phase::kTcpConnecting) {
    const net::Error error = net::CheckConnect(connection.socket);
    if (error == net::Error::kNone)
      OnTcpConnected(connection, now);
    else if (error != net::Error::kWouldBlock)
      Break(connection);
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
  const net::Error error =
      net::StartConnect(connection.target.address, connection.target.port, &connection.socket);
  if (error == net::Error::kNone) {
    OnTcpConnected(connection, NowMilliseconds());
    Flush(connection);
  } else if (error != net::Error::kWouldBlock) {
    Break(connection);
  }
  if (connection.phase == Phase::kBroken) CloseLink(connection);
}

void CloseLink(Connection& connection) {
  net::Close(connection.socket);
  connection.socket = net::kNoSocket;
}

void Advance(Connection& connection, bool mayWait) {
  if (connection.socket == net::kNoSocket) return;
  Step(connection);
  if (!mayWait) return;
  const uint64_t start = net::MonotonicMicroseconds();
  for (int i = 0; i < kMaxWaits && connection.socket != net::kNoSocket && AwaitsPeer(connection);
       ++i) {
    const uint64_t elapsed = net::MonotonicMicroseconds() - start;
    if (elapsed >= kWaitBudgetMicroseconds) return;
    const bool connecting = connection.phase == Phase::kTcpConnecting;
    const bool sending = connection.outboundSent < connection.outboundBytes;
    if (!net::Wait(connection.socket, !connecting, connecting || sending,
                   static_cast<uint32_t>(kWaitBudgetMicroseconds - elapsed)))
      return;
    Step(connection);
  }
}

}  // namespace quaxnet

#include "quaxnet/link_io.h"

#include "quaxnet/clock.h"
#include "quaxnet/link_failure.h"

namespace quaxnet {
namespace {

// About 1 ms of waiting per operation at most; each wait ends when the socket is ready.
constexpr uint32_t kWaitBudgetMicroseconds = 1000;
// Reads per step: a peer that floods the connection cannot hold the caller.
constexpr int kMaxReadsPerStep = 16;
// How long a socket found empty counts as empty still, when nothing is outstanding on it: the rest
// of the millisecond of the library's clock in which it was found so.
constexpr uint64_t kFreshMilliseconds = 1;

bool HasTcp(Phase phase) {
  return phase == Phase::kAwaitingConfirm || phase == Phase::kAwaitingSetup ||
         phase == Phase::kEstablished;
}

// A send or receive failed with `error` (right after the call, while the OS still holds its code).
void FailSocket(Connection& connection, net::Error error) {
  if (error == net::Error::kClosed) {
    FailConnection(connection, FailureCause::kClosed, "TCP connection closed");
  } else {
    FailConnection(connection, FailureCause::kOsError, "", net::LastError());
  }
}

void Flush(Connection& connection) {
  while (connection.outboundSent < connection.outboundBytes) {
    std::size_t sent = 0;
    const net::Error error =
        net::Send(connection.socket, connection.outbound + connection.outboundSent,
                  connection.outboundBytes - connection.outboundSent, &sent);
    if (error == net::Error::kWouldBlock) return;  // the rest goes with a later step
    if (error != net::Error::kNone) {
      FailSocket(connection, error);
      return;
    }
    connection.outboundSent += sent;
  }
  connection.outboundBytes = 0;
  connection.outboundSent = 0;
}

// Receives what has arrived, the first receive waiting up to `waitMicroseconds` for something to
// arrive, and acts on it.
void Receive(Connection& connection, uint32_t waitMicroseconds) {
  for (int i = 0; i < kMaxReadsPerStep && HasTcp(connection.phase); ++i) {
    uint8_t* space = connection.inbound.FreeSpace();
    const std::size_t room = connection.inbound.FreeBytes();
    if (room == 0) return;
    std::size_t received = 0;
    const net::Error error = net::ReceiveWithin(connection.socket, space, room, &received,
                                                i == 0 ? waitMicroseconds : 0);
    const uint64_t now = NowMilliseconds();
    if (error == net::Error::kWouldBlock) {
      connection.drainedAt = now;
      return;
    }
    if (error != net::Error::kNone) {
      FailSocket(connection, error);
      return;
    }
    connection.inbound.Commit(received);
    ProcessInbound(connection, now);
    if (HasTcp(connection.phase)) Flush(connection);
    // Less than there was room for: the socket held no more, and asking again would only say so.
    if (received < room) {
      connection.drainedAt = now;
      return;
    }
  }
}

// Whether the socket may hold something: a job is outstanding (its answer, late or not), or it
// was not found empty within kFreshMilliseconds. A peer that closed longer ago is found before a
// request goes out; one that closed in that last moment is found with the answer, as one that
// closes just after the send is.
bool WorthReceiving(const Connection& connection, uint64_t now) {
  return connection.phase != Phase::kEstablished || connection.job.kind != JobKind::kNone ||
         now - connection.drainedAt >= kFreshMilliseconds;
}

void CloseIfBroken(Connection& connection) {
  if (connection.phase == Phase::kBroken) CloseLink(connection);
}

// Checks the time limits at `at`; an S5 part past its answer limit gets a new link: the old socket,
// with whatever answer may still come on it, is closed first.
void ApplyTimeLimits(Connection& connection, uint64_t at) {
  if (CheckTimeLimits(connection, at) != LimitOutcome::kRestartLink) return;
  CloseLink(connection);
  ResetLink(connection, NowMilliseconds());
  StartLink(connection);
}

// One pass over the connection: the connect, the bytes either way (received only when `receive`,
// and then waiting up to `waitMicroseconds` for the first of them), the time limits. These are
// judged at `startedAt`, when the operation began: a limit that runs out while an operation waits
// counts at the next operation, and an answer that came during the wait is taken first.
void Step(Connection& connection, bool receive, uint32_t waitMicroseconds, uint64_t startedAt) {
  if (connection.phase == Phase::kTcpConnecting) {
    const net::Error error = net::CheckConnect(connection.socket);
    if (error == net::Error::kNone)
      OnTcpConnected(connection, NowMilliseconds());
    else if (error != net::Error::kWouldBlock)
      FailConnection(connection, FailureCause::kOsError, "", net::LastError());
  }
  if (HasTcp(connection.phase)) {
    Flush(connection);
    if (receive) Receive(connection, waitMicroseconds);
  }
  ApplyTimeLimits(connection, startedAt);
  CloseIfBroken(connection);
}

bool Open(const Connection& connection) {
  return connection.socket != net::kNoSocket;
}

}  // namespace

void StartLink(Connection& connection) {
  const net::Error error =
      net::StartConnect(connection.target.address, connection.target.port, &connection.socket);
  if (error == net::Error::kNone) {
    OnTcpConnected(connection, NowMilliseconds());
    Flush(connection);
  } else if (error != net::Error::kWouldBlock) {
    FailConnection(connection, FailureCause::kOsError, "", net::LastError());
  }
  CloseIfBroken(connection);
}

void CloseLink(Connection& connection) {
  net::Close(connection.socket);
  connection.socket = net::kNoSocket;
}

void Advance(Connection& connection, bool mayWait) {
  if (!Open(connection)) return;
  const uint64_t startedAt = NowMilliseconds();
  if (!mayWait || !AwaitsPeer(connection)) {
    Step(connection, true, 0, startedAt);
    return;
  }
  const uint64_t start = net::MonotonicMicroseconds();
  uint64_t elapsed = 0;
  do {
    const auto left = static_cast<uint32_t>(kWaitBudgetMicroseconds - elapsed);
    const bool connecting = connection.phase == Phase::kTcpConnecting;
    const bool sending = connection.outboundSent < connection.outboundBytes;
    if (connecting || sending) {
      // Waiting to send: for the connect to finish or for room in the socket's buffer.
      if (!net::Wait(connection.socket, !connecting, true, left)) {
        ApplyTimeLimits(connection, startedAt);
        CloseIfBroken(connection);
        return;
      }
      Step(connection, true, 0, startedAt);
    } else {
      // Waiting for the peer: the receive itself waits, the way that costs least on this OS.
      Step(connection, true, left, startedAt);
    }
    elapsed = net::MonotonicMicroseconds() - start;
  } while (Open(connection) && AwaitsPeer(connection) && elapsed < kWaitBudgetMicroseconds);
}

void AdvanceBeforeSend(Connection& connection) {
  if (!Open(connection)) return;
  const uint64_t now = NowMilliseconds();
  Step(connection, WorthReceiving(connection, now), 0, now);
}

void SendQueued(Connection& connection) {
  if (!Open(connection)) return;
  if (HasTcp(connection.phase)) Flush(connection);
  CloseIfBroken(connection);
}

}  // namespace quaxnet

#include "transport/connection_attempts.h"

#include <initializer_list>

#include "core/host_services.h"
#include "transport/connect_request.h"
#include "transport/opened_connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

// The transport works on a connection only while it is asked, and an S7 needs three answers of its
// peer (TCP, the connection request, setup): each connection is asked at least this often, however
// long a round of polls of many PLCs takes (a round of 511 may take longer than a short time-out,
// under wine and on a busy machine).
constexpr uint16_t kMinConnectPolls = 3;

// An open is accepted when the operation answers 0 and leaves a status of 0 or 3 in the block.
bool OpenAccepted(uint16_t result, const ConnectRequest& block) {
  return result == 0 &&
         (block.status == kOpenStatusAccepted || block.status == kOpenStatusAcceptedPending);
}

// Records the handle of a new connection in `field` of PLC row `number`, and notes it as opened
// for the state. A handle that it replaces (the heartbeat of a failed PLC reconnects over the
// broken connection) is closed: otherwise every reconnect would hold one more connection in the
// transport, and on the PLC, which has only a few.
void RecordHandle(DriverState& state, int number, uint16_t& field, uint16_t handle) {
  if (field != 0 && field != handle) {
    Transport().QxCloseConnection(field);
    ForgetOpenedConnection(state, number, field);
  }
  field = handle;
  NoteOpenedConnection(state, number, handle);
}

void Open(ConnectRequest block, bool s5, ConnectionAttempt& attempt) {
  const TransportOperations& transport = Transport();
  attempt.result = ResultCode(s5 ? transport.QxOpenS5Connection(&block)
                                 : transport.QxOpenS7Connection(&block, 0));
  attempt.status = block.status;
  attempt.handle = block.handle;
  attempt.outcome =
      OpenAccepted(attempt.result, block) ? WaitOutcome::kPending : WaitOutcome::kNotOpened;
}

// Asks the transport for the state of a connection that is being waited for, unless the driver
// time-out has passed since its first poll and it has been asked kMinConnectPolls times (then it
// has failed). Established (0) and failed (9, or 2 for a handle that no connection has) are final;
// every other answer means not yet. Returns whether it is still pending.
bool PollOnce(const DriverState& state, ConnectionAttempt& attempt) {
  if (attempt.outcome != WaitOutcome::kPending) return false;
  if (attempt.polls == 0) {
    attempt.deadline = Deadline(state.timeout);
  } else if (attempt.deadline.Passed() && attempt.polls >= kMinConnectPolls) {
    attempt.outcome = WaitOutcome::kFailed;
    return false;
  }
  // A count that went on would wrap to 0 after 65535 polls of a long time-out and start the wait
  // anew, for ever.
  if (attempt.polls < kMinConnectPolls) ++attempt.polls;
  const uint16_t answer = ResultCode(Transport().QxConnectionState(attempt.handle));
  if (answer == kConnectionEstablished) {
    attempt.outcome = WaitOutcome::kEstablished;
  } else if (answer == kAnswerConnectionFailure || answer == kAnswerUnknownHandle) {
    attempt.outcome = WaitOutcome::kFailed;
  }
  return attempt.outcome == WaitOutcome::kPending;
}

bool FinishS7(DriverState& state, const PlcAttempt& attempt) {
  const int number = attempt.number;
  const ConnectionAttempt& open = attempt.read;
  const TransportOperations& transport = Transport();
  switch (open.outcome) {
    case WaitOutcome::kNotOpened:
      ZAN_LOG("ZanDOR: Strat Connection Failed Plc #%d (%d,%d)", number, open.result, open.status);
      transport.QxCloseConnection(open.handle);
      return false;
    case WaitOutcome::kEstablished:
      ZAN_LOG("ZanDOR: Connection to Plc #%d Success !!!", number);
      RecordHandle(state, number, state.plcs[number].readConnection, open.handle);
      return true;
    default:
      ZAN_LOG("ZanDOR: Connection to Plc #%d Failed !!!", number);
      transport.QxCloseConnection(open.handle);
      return false;
  }
}

bool FinishS5(DriverState& state, const PlcAttempt& attempt) {
  const int number = attempt.number;
  const ConnectionAttempt& read = attempt.read;
  const ConnectionAttempt& write = attempt.write;
  const TransportOperations& transport = Transport();
  if (read.outcome == WaitOutcome::kNotOpened) {
    ZAN_LOG("ZanDOR: Strat Read Connection Failed Plc #%d (%d,%d)", number, read.result,
            read.status);
    transport.QxCloseConnection(read.handle);
    return false;
  }
  if (read.outcome != WaitOutcome::kEstablished) {
    ZAN_LOG("ZanDOR: Read Connection FAIL, Plc #%d !!! ", number);
    transport.QxCloseConnection(read.handle);
    // The write connection opened alongside goes unlogged: the PLC failed at its read connection.
    if (write.handle != 0) transport.QxCloseConnection(write.handle);
    return false;
  }
  ZAN_LOG("ZanDOR: Read Connection Success, Plc #%d !!! ", number);
  PlcEntry& plc = state.plcs[number];
  RecordHandle(state, number, plc.readConnection, read.handle);
  // A read connection made above stays open and recorded even when the write connection fails.
  if (write.outcome == WaitOutcome::kNotOpened) {
    ZAN_LOG("ZanDOR: Strat Write Connection Failed Plc #%d (%d,%d)", number, write.result,
            write.status);
    transport.QxCloseConnection(write.handle);
    return false;
  }
  if (write.outcome != WaitOutcome::kEstablished) {
    ZAN_LOG("ZanDOR: Write Connection FAIL, Plc #%d !!! ", number);
    transport.QxCloseConnection(write.handle);
    return false;
  }
  ZAN_LOG("ZanDOR: Write Connection Success, Plc #%d !!! ", number);
  RecordHandle(state, number, plc.writeConnection, write.handle);
  return true;
}

}  // namespace

void OpenPlc(const DriverState& state, PlcAttempt& attempt) {
  const PlcEntry& plc = state.plcs[attempt.number];
  attempt.s5 = plc.type == kPlcTypeS5;
  attempt.restart = false;
  attempt.read = ConnectionAttempt{};
  attempt.write = ConnectionAttempt{};
  ConnectRequest block = MakeConnectRequest(state, plc);
  if (!attempt.s5) {
    SetS7Tsaps(block, plc.slot);
    Open(block, false, attempt.read);
    return;
  }
  SetS5LocalTsap(block, plc.localTsap);
  SetS5RemoteTsap(block, plc.readTsap);
  Open(block, true, attempt.read);
  if (attempt.read.outcome == WaitOutcome::kNotOpened) return;
  SetS5RemoteTsap(block, plc.writeTsap);
  Open(block, true, attempt.write);
}

void RestartConnection(uint16_t handle, ConnectionAttempt& attempt) {
  attempt = ConnectionAttempt{};
  attempt.handle = handle;
  attempt.result = ResultCode(Transport().QxRestartConnection(handle));
  attempt.outcome = handle != 0 ? WaitOutcome::kPending : WaitOutcome::kFailed;
}

void RestartPlc(const DriverState& state, PlcAttempt& attempt) {
  const PlcEntry& plc = state.plcs[attempt.number];
  attempt.s5 = plc.type == kPlcTypeS5;
  attempt.restart = true;
  attempt.write = ConnectionAttempt{};
  RestartConnection(plc.readConnection, attempt.read);
  if (attempt.s5) RestartConnection(plc.writeConnection, attempt.write);
}

void WaitAll(const DriverState& state, PlcAttempt* attempts, int count) {
  for (;;) {
    // The connection first polled, whose time-out ends first, bounds the sleep.
    const ConnectionAttempt* first = nullptr;
    for (int i = 0; i < count; ++i) {
      PlcAttempt& attempt = attempts[i];
      for (ConnectionAttempt* connection : {&attempt.read, &attempt.write}) {
        if (connection == &attempt.write && !attempt.restart &&
            attempt.read.outcome == WaitOutcome::kFailed)
          break;
        if (PollOnce(state, *connection) && first == nullptr) first = connection;
      }
    }
    if (first == nullptr) return;
    first->deadline.SleepWithin(kConnectPollMilliseconds);
  }
}

bool FinishConnect(DriverState& state, const PlcAttempt& attempt) {
  const bool connected = attempt.s5 ? FinishS5(state, attempt) : FinishS7(state, attempt);
  state.plcs[attempt.number].linkState = connected ? kLinkConnected : kLinkFailed;
  return connected;
}

}  // namespace zan

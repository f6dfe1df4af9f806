#include "transport/connections.h"

#include <initializer_list>

#include "core/clock.h"
#include "core/host_services.h"
#include "transport/connect_request.h"
#include "transport/opened_connections.h"
#include "transport/transport_binding.h"

namespace zan {
namespace {

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

// How the wait for one connection ended.
enum class WaitOutcome : uint8_t {
  kNotOpened,  // the open was refused, or never made
  kPending,
  kEstablished,
  kFailed,  // the transport said the connection failed, or the time-out passed
};

// One connection being opened: what the open answered and how its wait ended.
struct OpenAttempt {
  uint16_t result = 0;  // of the open operation
  uint16_t status = 0;  // left in the block
  uint16_t handle = 0;  // left in the block
  WaitOutcome outcome = WaitOutcome::kNotOpened;
  uint16_t polls = 0;  // counted up to kMinConnectPolls: 0 means not polled yet
  Deadline deadline;   // the driver time-out from the first poll
};

// The transport works on a connection only while it is asked, and an S7 needs three answers of its
// peer (TCP, the connection request, setup): each connection is asked at least this often, however
// long a round of polls of many PLCs takes (a round of 511 may take longer than a short time-out,
// under wine and on a busy machine).
constexpr uint16_t kMinConnectPolls = 3;

// The connections of one PLC: an S7's (and a type-6 PLC's) in `read`, or an S5 pair.
struct PlcAttempt {
  int number = 0;
  bool s5 = false;
  OpenAttempt read;
  OpenAttempt write;
};

// The attempts of one Init: every row of the PLC table. Static, so that Init needs no large stack;
// one request at a time.
PlcAttempt initAttempts[kPlcCount];

void Open(ConnectRequest block, bool s5, OpenAttempt& attempt) {
  const TransportOperations& transport = Transport();
  attempt.result = ResultCode(s5 ? transport.QxOpenS5Connection(&block)
                                 : transport.QxOpenS7Connection(&block, 0));
  attempt.status = block.status;
  attempt.handle = block.handle;
  attempt.outcome =
      OpenAccepted(attempt.result, block) ? WaitOutcome::kPending : WaitOutcome::kNotOpened;
}

// Opens the connections of one PLC without waiting for them. The write connection of an S5 pair is
// opened together with its read connection, so that both are waited for at once; it is not opened
// when the transport refuses the read connection.
void OpenPlc(const DriverState& state, PlcAttempt& attempt) {
  const PlcEntry& plc = state.plcs[attempt.number];
  attempt.s5 = plc.type == kPlcTypeS5;
  attempt.read = OpenAttempt{};
  attempt.write = OpenAttempt{};
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

// Asks the transport for the state of a connection that is being waited for, unless the driver
// time-out has passed since its first poll and it has been asked kMinConnectPolls times (then it
// has failed). Established (0) and failed (9, or 2 for a handle that no connection has) are final;
// every other answer means not yet. Returns whether it is still pending.
bool PollOnce(const DriverState& state, OpenAttempt& attempt) {
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

// Waits for every connection opened in `attempts` together: rounds of one state poll of each
// connection still pending, 2 ms apart, until none is pending. Each connection is polled until the
// driver time-out has passed since its first poll (and at least kMinConnectPolls times), as if it
// were waited for alone; the time-outs run side by side, so that the whole wait lasts one time-out
// and the time of a round or two. The write connection of an S5 pair whose read connection failed
// is no longer asked.
void WaitAll(const DriverState& state, PlcAttempt* attempts, int count) {
  for (;;) {
    // The connection first polled, whose time-out ends first, bounds the sleep.
    const OpenAttempt* first = nullptr;
    for (int i = 0; i < count; ++i) {
      PlcAttempt& attempt = attempts[i];
      for (OpenAttempt* open : {&attempt.read, &attempt.write}) {
        if (open == &attempt.write && attempt.read.outcome == WaitOutcome::kFailed) break;
        if (PollOnce(state, *open) && first == nullptr) first = open;
      }
    }
    if (first == nullptr) return;
    first->deadline.SleepWithin(kConnectPollMilliseconds);
  }
}

bool FinishS7(DriverState& state, const PlcAttempt& attempt) {
  const int number = attempt.number;
  const OpenAttempt& open = attempt.read;
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
  const OpenAttempt& read = attempt.read;
  const OpenAttempt& write = attempt.write;
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

// Opens the connections of every PLC in `attempts`, waits for all of them within one time-out,
// and then, PLC by PLC in the order given, logs, records and sets linkState as each connect would.
void ConnectPlcs(DriverState& state, PlcAttempt* attempts, int count) {
  for (int i = 0; i < count; ++i)
    OpenPlc(state, attempts[i]);
  WaitAll(state, attempts, count);
  for (int i = 0; i < count; ++i) {
    const PlcAttempt& attempt = attempts[i];
    const bool connected = attempt.s5 ? FinishS5(state, attempt) : FinishS7(state, attempt);
    state.plcs[attempt.number].linkState = connected ? kLinkConnected : kLinkFailed;
  }
}

}  // namespace

bool WaitConnected(const DriverState& state, uint16_t handle) {
  PlcAttempt attempt;
  attempt.read.handle = handle;
  attempt.read.outcome = WaitOutcome::kPending;
  WaitAll(state, &attempt, 1);
  return attempt.read.outcome == WaitOutcome::kEstablished;
}

bool PlcConnect(DriverState& state, int plc) {
  if (plc < 0 || plc >= kPlcCount) return false;
  PlcAttempt attempt;
  attempt.number = plc;
  ConnectPlcs(state, &attempt, 1);
  return state.plcs[plc].linkState == kLinkConnected;
}

void OpenAllConnections(DriverState& state) {
  const int16_t result = SignedResultCode(OpenTransportLibrary());
  if (result != 0) {
    ZAN_LOG("ZanDOR: Fail to open Ip Driver (%d)", result);
    return;
  }
  int count = 0;
  for (int plc = 0; plc < kPlcCount; ++plc) {
    if (IsConfiguredPlc(state, plc)) initAttempts[count++].number = plc;
  }
  ConnectPlcs(state, initAttempts, count);
}

int32_t CloseTransport(ZanRequest* /*request*/) {
  if (SignedResultCode(Transport().QxCloseLibrary()) != 0) {
    ZAN_LOG("ZanDOR: Fail to close driver !");
  }
  ForgetAllOpenedConnections();
  return kResultDone;
}

}  // namespace zan

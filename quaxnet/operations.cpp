// The exported operations: the eleven the driver binds, argument checks and then the connection's
// state machine; the failure of a connection in words and the PDU size it was granted.
#include <cstdlib>

#include "net/socket.h"
#include "quaxnet/answers.h"
#include "quaxnet/clock.h"
#include "quaxnet/connection_table.h"
#include "quaxnet/link_failure.h"
#include "quaxnet/link_io.h"
#include "quaxnet/quaxnet.h"

namespace quaxnet {
namespace {

constexpr uint32_t kDefaultTimeLimitMs = 1000;
constexpr uint32_t kNoAddress = 0;             // INADDR_ANY: not a PLC
constexpr uint32_t kBadAddress = 0xFFFFFFFFu;  // what inet_addr answers for a bad text

bool libraryOpen = false;

// A host that waits for many connections at once polls their states in rounds: one poll of each,
// back to back, then a pause. Only the first poll of such a round waits for its peer (about 1 ms at
// most); the peers of the others answer while the round goes on, and a wait for each of them would
// make a round of 511 connections cost up to half a second (more under wine, where a wait that no
// answer ends lasts 1.5 ms). A poll of the same connection again, as a host that waits for one
// connection makes it, always may wait.
constexpr uint64_t kRoundGapMicroseconds = 1000;

struct StatePoll {
  uint32_t handle = 0;
  uint64_t endedAt = 0;  // net::MonotonicMicroseconds
};
StatePoll lastStatePoll;

// Whether the state poll of `handle` may wait for its peer: false when it follows the poll of
// another connection without a pause, within the same round.
bool StatePollMayWait(uint32_t handle) {
  if (lastStatePoll.handle == 0 || lastStatePoll.handle == handle) return true;
  return net::MonotonicMicroseconds() - lastStatePoll.endedAt >= kRoundGapMicroseconds;
}

// QUAXNET_PORT as a port number (1 to 65535) in `port`, 0 when it is not set or empty. False when
// it is set to anything else: a port that is not what the user meant would send every connection
// to port 102 without a word.
bool PortOverride(uint16_t* port) {
  *port = 0;
  const char* text = std::getenv("QUAXNET_PORT");
  if (text == nullptr || *text == '\0') return true;
  uint32_t value = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<uint32_t>(*p - '0');
    if (value > 0xFFFF) return false;
  }
  if (value == 0) return false;
  *port = static_cast<uint16_t>(value);
  return true;
}

bool TakeTsap(uint8_t length, const uint8_t* bytes, Tsap* tsap) {
  if (length == 0 || length > kMaxTsapBytes) return false;
  tsap->length = length;
  for (uint8_t i = 0; i < length; ++i)
    tsap->bytes[i] = bytes[i];
  return true;
}

bool TakeTarget(const ConnectRequest& block, Personality personality, Target* target) {
  if (block.ipAddress == kNoAddress || block.ipAddress == kBadAddress) return false;
  if (!TakeTsap(block.localTsapLength, block.localTsap, &target->local) ||
      !TakeTsap(block.remoteTsapLength, block.remoteTsap, &target->remote))
    return false;
  uint16_t port = 0;
  if (!PortOverride(&port)) return false;
  target->port = port != 0 ? port : block.port;
  if (target->port == 0) return false;
  target->personality = personality;
  target->address = block.ipAddress;
  target->timeLimitMs = block.timeout != 0 ? block.timeout : kDefaultTimeLimitMs;
  return true;
}

int Open(ConnectRequest* block, Personality personality) {
  if (block == nullptr || block->length != zan::kConnectRequestLength)
    return kAnswerInvalidArgument;
  block->handle = 0;
  block->status = 0;
  if (!libraryOpen) return kAnswerLibraryClosed;
  Target target;
  if (!TakeTarget(*block, personality, &target)) return kAnswerInvalidArgument;
  Connection* connection = AllocateConnection();
  if (connection == nullptr) return kAnswerNoFreeConnection;
  connection->target = target;
  ResetLink(*connection, NowMilliseconds());
  NoteOpened(*connection);
  StartLink(*connection);
  block->handle = connection->handle;
  block->status = kOpenStatusPending;
  return kAnswerDone;
}

int Send(JobKind kind, TransferRecord* record, const void* data) {
  if (record == nullptr || (kind == JobKind::kWrite && data == nullptr))
    return kAnswerInvalidArgument;
  Connection* connection = FindConnection(record->connection);
  if (connection == nullptr) return kAnswerUnknownHandle;
  // A request still outstanding has been given up by the driver: before anything that arrived is
  // taken, so that a late answer of one of its parts cannot send the next part.
  if (connection->job.kind != JobKind::kNone) SendNoFurtherPart(*connection);
  AdvanceBeforeSend(*connection);
  // An answer that arrived whole but was never collected belongs to a request that the driver has
  // given up: it is dropped, even when the peer has closed since.
  if (connection->job.kind != JobKind::kNone && !DropOutstandingJob(*connection, NowMilliseconds()))
    return connection->phase == Phase::kEstablished ? kAnswerResponsePending
                                                    : LinkAnswer(*connection);
  if (connection->phase != Phase::kEstablished) return LinkAnswer(*connection);
  const Personality personality = connection->target.personality;
  if (!BeginJob(connection->job, kind, *record, personality)) return kAnswerInvalidArgument;
  if (kind == JobKind::kWrite)
    TakeWriteData(connection->job, personality, static_cast<const uint8_t*>(data));
  SendNextPart(*connection, NowMilliseconds());
  SendQueued(*connection);
  // A PLC may answer and close before this returns: the request went out, its answer waits.
  if (connection->phase == Phase::kEstablished || HasAnswerToCollect(*connection, kind))
    return kAnswerDone;
  return LinkAnswer(*connection);
}

// The common part of collecting a read or a write: the job of `kind` when it is complete, or the
// answer that says why there is none.
int FindCompleteJob(Connection& connection, JobKind kind) {
  Advance(connection, JobInFlight(connection));
  // An answer that arrived whole is handed out even when the peer closed right after it.
  if (HasAnswerToCollect(connection, kind)) return kAnswerDone;
  if (connection.phase != Phase::kEstablished) return LinkAnswer(connection);
  const Job& job = connection.job;
  if (job.kind == JobKind::kNone) return kAnswerNoRequest;
  if (AwaitsAbandonedAnswer(connection)) return kAnswerResponsePending;
  if (job.kind != kind) return kAnswerNoRequest;
  return job.complete ? kAnswerDone : kAnswerNothingYet;
}

// Closes the connection for good. One that is still connecting was given up by the host for want
// of an answer: that is its failure, counted from the start of the step it waited at.
void Close(Connection& connection) {
  if (connection.phase == Phase::kTcpConnecting || connection.phase == Phase::kAwaitingConfirm ||
      connection.phase == Phase::kAwaitingSetup) {
    LinkFailure failure;
    failure.step = StepOf(connection);
    failure.cause = FailureCause::kNoAnswer;
    const uint64_t now = NowMilliseconds();
    const uint64_t waited = now > connection.phaseStartedAt ? now - connection.phaseStartedAt : 0;
    failure.milliseconds = static_cast<uint32_t>(waited > 0xFFFFFFFFu ? 0xFFFFFFFFu : waited);
    NoteGivenUp(connection, failure);
  }
  CloseLink(connection);
  NoteClosed(connection);
  ReleaseConnection(connection);
}

}  // namespace
}  // namespace quaxnet

using namespace quaxnet;

QX_API int ZAN_STDCALL QxOpenLibrary() {
  uint16_t port = 0;
  if (!PortOverride(&port)) return kAnswerInvalidArgument;
  if (libraryOpen) return kAnswerDone;
  if (!net::Start()) return kAnswerNetworkUnavailable;
  libraryOpen = true;
  return kAnswerDone;
}

QX_API int ZAN_STDCALL QxCloseLibrary() {
  for (uint32_t handle = 1; handle <= kMaxConnections; ++handle) {
    Connection* connection = FindConnection(handle);
    if (connection == nullptr) continue;
    CloseLink(*connection);
    NoteClosed(*connection);
    ReleaseConnection(*connection);
  }
  if (libraryOpen) net::Stop();
  libraryOpen = false;
  return kAnswerDone;
}

QX_API int ZAN_STDCALL QxOpenS7Connection(ConnectRequest* block, uint32_t zero) {
  if (zero != 0) return kAnswerInvalidArgument;
  return Open(block, Personality::kS7);
}

QX_API int ZAN_STDCALL QxOpenS5Connection(ConnectRequest* block) {
  return Open(block, Personality::kS5);
}

QX_API int ZAN_STDCALL QxConnectionState(uint32_t handle) {
  Connection* connection = FindConnection(handle);
  if (connection == nullptr) return kAnswerUnknownHandle;
  Advance(*connection, AwaitsPeer(*connection) && StatePollMayWait(connection->handle));
  lastStatePoll = {connection->handle, net::MonotonicMicroseconds()};
  return LinkAnswer(*connection);
}

QX_API int ZAN_STDCALL QxCloseConnection(uint32_t handle) {
  Connection* connection = FindConnection(handle);
  if (connection == nullptr) return kAnswerUnknownHandle;
  Close(*connection);
  return kAnswerDone;
}

QX_API int ZAN_STDCALL QxRestartConnection(uint32_t handle) {
  Connection* connection = FindConnection(handle);
  if (connection == nullptr) return kAnswerUnknownHandle;
  CloseLink(*connection);  // the PLC's connection slot is given back before a new one is taken
  ResetLink(*connection, NowMilliseconds());
  StartLink(*connection);
  return kRestartDone;
}

QX_API int ZAN_STDCALL QxSendRead(TransferRecord* record) {
  return Send(JobKind::kRead, record, nullptr);
}

QX_API int ZAN_STDCALL QxSendWrite(TransferRecord* record, const void* buffer) {
  return Send(JobKind::kWrite, record, buffer);
}

QX_API int ZAN_STDCALL QxReceiveRead(uint32_t size, void* buffer, uint16_t* status,
                                     uint32_t handle) {
  if (status == nullptr || buffer == nullptr) return kAnswerInvalidArgument;
  *status = 0;
  Connection* connection = FindConnection(handle);
  if (connection == nullptr) return kAnswerUnknownHandle;
  const int answer = FindCompleteJob(*connection, JobKind::kRead);
  if (answer != kAnswerDone) return answer;
  Job& job = connection->job;
  if (job.status == 0) {
    if (size < job.totalBytes) return kAnswerInvalidArgument;
    GiveReadData(job, connection->target.personality, static_cast<uint8_t*>(buffer));
  }
  *status = job.status;
  job.kind = JobKind::kNone;
  return kAnswerDone;
}

QX_API int ZAN_STDCALL QxWriteCompletion(uint16_t* status, uint32_t handle) {
  if (status == nullptr) return kAnswerInvalidArgument;
  *status = 0;
  Connection* connection = FindConnection(handle);
  if (connection == nullptr) return kAnswerUnknownHandle;
  const int answer = FindCompleteJob(*connection, JobKind::kWrite);
  if (answer != kAnswerDone) return answer;
  *status = connection->job.status;
  connection->job.kind = JobKind::kNone;
  return kAnswerDone;
}

QX_API int ZAN_STDCALL QxConnectionFailure(uint32_t size, char* text, uint32_t handle) {
  return DescribeFailure(handle, text, size);
}

QX_API int ZAN_STDCALL QxConnectionPduSize(uint32_t handle) {
  const Connection* connection = FindConnection(handle);
  if (connection == nullptr || connection->phase != Phase::kEstablished) return 0;
  return connection->pduSize;
}

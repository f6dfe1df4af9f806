#include "quaxnet/connection.h"

#include <cstring>

#include "quaxnet/answers.h"
#include "quaxnet/link_failure.h"
#include "quaxnet/trace.h"

namespace quaxnet {
namespace {

bool HasTcp(Phase phase) {
  return phase == Phase::kAwaitingConfirm || phase == Phase::kAwaitingSetup ||
         phase == Phase::kEstablished;
}

bool IsStale(const Connection& connection, uint16_t reference) {
  for (const uint16_t stale : connection.staleReferences) {
    if (stale == reference) return true;
  }
  return false;
}

// A new reference, never 0 and never one whose late answer may still come.
uint16_t NextReference(Connection& connection) {
  do {
    if (++connection.nextReference == 0) connection.nextReference = 1;
  } while (IsStale(connection, connection.nextReference));
  return connection.nextReference;
}

void CountDropped(Connection& connection, const char* what) {
  ++connection.droppedAnswers;
  Trace("quaxnet: connection %u: %s (%u so far)", unsigned{connection.handle}, what,
        static_cast<unsigned>(connection.droppedAnswers));
}

// An S7 answer that names the reference of a forgotten part: true when it was dropped.
bool DropStaleAnswer(Connection& connection, const uint8_t* message, std::size_t size) {
  uint16_t reference = 0;
  if (connection.target.personality != Personality::kS7 ||
      !AnswerReference(message, size, &reference) || reference == 0)
    return false;
  for (uint16_t& stale : connection.staleReferences) {
    if (stale != reference) continue;
    stale = 0;
    CountDropped(connection, "late answer of a forgotten request dropped");
    return true;
  }
  return false;
}

// Forgets the job whose part is overdue (`waited` ms since its send); its reference is kept as
// stale.
void ForgetOverdueJob(Connection& connection, uint64_t waited) {
  Job& job = connection.job;
  connection.staleReferences[connection.staleNext] = job.reference;
  connection.staleNext = static_cast<uint8_t>((connection.staleNext + 1) % kStaleReferences);
  Trace(
      "quaxnet: connection %u: no answer to PDU %u within %llu ms: request forgotten, its answer "
      "will be dropped",
      unsigned{connection.handle}, unsigned{job.reference},
      static_cast<unsigned long long>(waited));
  job.kind = JobKind::kNone;
}

// Whether the part on its way is overdue at `now`: past its answer limit, or, once the job is
// abandoned, half a time limit after that. The request that abandoned it waits for it at most a
// time limit, and sees it settled in that time even when the part went out just before (the last
// part of a job of several); the request after that finds the connection free.
bool PartOverdue(const Connection& connection, uint64_t now) {
  const Job& job = connection.job;
  auto outlived = [now](uint64_t since, uint64_t limit) {
    return now > since && now - since > limit;
  };
  return outlived(job.partSentAt, AnswerLimit(connection)) ||
         (job.abandoned && outlived(job.abandonedAt, connection.target.timeLimitMs / 2));
}

// Whether the driver has given up on the job at `now`: its time-out, the connection's time limit,
// has passed since the first part went out. The driver counts the same time-out from the moment
// its send returned, on a clock that reads the same: it has not given up before this holds, and
// from its last poll on this holds.
bool DriverGaveUp(const Connection& connection, uint64_t now) {
  const Job& job = connection.job;
  return now >= job.sentAt && now - job.sentAt >= connection.target.timeLimitMs;
}

// Appends one message, cut into DT TPDUs, to what is waiting to be sent.
bool QueueMessage(Connection& connection, const uint8_t* message, std::size_t size) {
  if (connection.outboundSent != 0) {
    const std::size_t left = connection.outboundBytes - connection.outboundSent;
    std::memmove(connection.outbound, connection.outbound + connection.outboundSent, left);
    connection.outboundBytes = left;
    connection.outboundSent = 0;
  }
  const std::size_t written = EncodeDataMessage(
      connection.outbound + connection.outboundBytes,
      sizeof connection.outbound - connection.outboundBytes, message, size, connection.tpduBytes);
  if (written == 0) return false;
  connection.outboundBytes += written;
  return true;
}

void OnConfirm(Connection& connection, const Tpdu& tpdu, uint64_t now) {
  if (tpdu.kind == TpduKind::kDisconnect) {
    FailConnection(connection, FailureCause::kClosed, "disconnect request");
    return;
  }
  if (tpdu.kind != TpduKind::kConnectConfirm) {
    FailConnection(connection, FailureCause::kMalformed,
                   "a TPDU other than a connect confirm of class 0 with a TPDU size of 128 to "
                   "1024");
    return;
  }
  if (tpdu.destinationReference != connection.sourceReference) {
    FailConnection(connection, FailureCause::kMalformed, "it names another reference");
    return;
  }
  connection.tpduBytes = std::size_t{1} << tpdu.tpduSizeCode;
  connection.phaseStartedAt = now;
  if (connection.target.personality == Personality::kS5) {
    connection.phase = Phase::kEstablished;
    NoteEstablished(connection);
    return;
  }
  uint8_t setup[kMaxMessageBytes];
  connection.setupReference = NextReference(connection);
  const std::size_t size = EncodeSetupCommunication(setup, sizeof setup, connection.setupReference);
  if (!QueueMessage(connection, setup, size)) {
    FailConnection(connection, FailureCause::kMalformed,
                   "setup communication does not fit the TPDU size confirmed");
    return;
  }
  connection.phase = Phase::kAwaitingSetup;
}

void OnJobAnswer(Connection& connection, const uint8_t* message, std::size_t size, uint64_t now) {
  Job& job = connection.job;
  if (DropStaleAnswer(connection, message, size)) return;
  if (!JobInFlight(connection)) {
    // Nothing was asked: the peer is not to be trusted.
    FailConnection(connection, FailureCause::kMalformed, "an answer while nothing was asked");
    return;
  }
  switch (ApplyAnswer(job, connection.target.personality, message, size)) {
    case PartOutcome::kMismatch:
      FailConnection(connection, FailureCause::kMalformed,
                     connection.target.personality == Personality::kS7
                         ? "not the answer to the part on its way (S7 header, PDU reference, "
                           "function or length)"
                         : "not the answer to the part on its way (S5 header, op code or "
                           "length)");
      return;
    case PartOutcome::kMore:
      if (job.abandoned) break;
      // A part answered after the driver gave up: the rest of the job must never reach the PLC (a
      // write that the driver reported failed would complete behind its back).
      if (job.lastPart || DriverGaveUp(connection, now)) {
        job.stopped = true;
        CountDropped(connection,
                     "no further part sent: late answer of a part past the time-out dropped");
        return;
      }
      SendNextPart(connection, now);
      return;
    case PartOutcome::kComplete:
      if (!job.abandoned) return;  // waits for the driver to collect it
      break;
  }
  // The late answer of an abandoned job: dropped.
  CountDropped(connection, "late answer of an abandoned request dropped");
  job.kind = JobKind::kNone;
}

void OnMessage(Connection& connection, const uint8_t* message, std::size_t size, uint64_t now) {
  if (connection.phase == Phase::kEstablished) {
    OnJobAnswer(connection, message, size, now);
    return;
  }
  const S7Answer answer = DecodeSetupAnswer(message, size, connection.setupReference);
  // A PLC that refuses setup communication cannot be used.
  if (answer.outcome == S7Outcome::kRefused) {
    FailConnection(connection, FailureCause::kRefused, "", 0, answer.status);
    return;
  }
  if (answer.outcome != S7Outcome::kSuccess) {
    FailConnection(connection, FailureCause::kMalformed,
                   "S7 header, PDU reference, or a PDU size granted below 30");
    return;
  }
  connection.pduSize = answer.pduSize;
  connection.phase = Phase::kEstablished;
  connection.phaseStartedAt = now;
  NoteEstablished(connection);
}

void OnTpdu(Connection& connection, const uint8_t* bytes, std::size_t size, uint64_t now) {
  const Tpdu tpdu = DecodeTpdu(bytes, size);
  if (connection.phase == Phase::kAwaitingConfirm) {
    OnConfirm(connection, tpdu, now);
    return;
  }
  if (tpdu.kind == TpduKind::kDisconnect) {
    FailConnection(connection, FailureCause::kClosed, "disconnect request");
    return;
  }
  if (tpdu.kind != TpduKind::kData) {
    FailConnection(connection, FailureCause::kMalformed, "a TPDU other than data");
    return;
  }
  if (tpdu.dataSize > kMaxMessageBytes - connection.messageBytes) {
    FailConnection(connection, FailureCause::kMalformed, "a message longer than any answer");
    return;
  }
  if (tpdu.dataSize != 0)
    std::memcpy(connection.message + connection.messageBytes, tpdu.data, tpdu.dataSize);
  connection.messageBytes += tpdu.dataSize;
  if (!tpdu.endOfMessage) return;
  const std::size_t messageSize = connection.messageBytes;
  connection.messageBytes = 0;
  OnMessage(connection, connection.message, messageSize, now);
}

}  // namespace

void ResetLink(Connection& connection, uint64_t now) {
  BreakAndForget(connection);
  connection.phase = Phase::kTcpConnecting;
  connection.phaseStartedAt = now;
  connection.sourceReference = connection.handle;
  connection.tpduBytes = 0;
  connection.pduSize = 0;
  // No answer of the old link can come on the new one.
  for (uint16_t& stale : connection.staleReferences)
    stale = 0;
}

void OnTcpConnected(Connection& connection, uint64_t now) {
  const std::size_t size = EncodeConnectRequest(connection.outbound, sizeof connection.outbound,
                                                connection.sourceReference, connection.target.local,
                                                connection.target.remote);
  if (size == 0) {
    Break(connection);
    return;
  }
  connection.outboundBytes = size;
  connection.outboundSent = 0;
  connection.phase = Phase::kAwaitingConfirm;
  connection.phaseStartedAt = now;
}

void Break(Connection& connection) {
  connection.phase = Phase::kBroken;
  if (!HasAnswerToCollect(connection, connection.job.kind)) connection.job.kind = JobKind::kNone;
  connection.inbound.Clear();
  connection.messageBytes = 0;
  connection.outboundBytes = 0;
  connection.outboundSent = 0;
}

void BreakAndForget(Connection& connection) {
  Break(connection);
  connection.job.kind = JobKind::kNone;
}

void ProcessInbound(Connection& connection, uint64_t now) {
  while (HasTcp(connection.phase)) {
    const uint8_t* tpkt = nullptr;
    std::size_t length = 0;
    const TpktCheck check = connection.inbound.Front(&tpkt, &length);
    if (check == TpktCheck::kIncomplete) return;
    if (check == TpktCheck::kMalformed) {
      FailConnection(connection, FailureCause::kMalformed,
                     "a TPKT header not valid (version, or length)");
      return;
    }
    OnTpdu(connection, tpkt + kTpktHeaderBytes, length - kTpktHeaderBytes, now);
    connection.inbound.Consume(length);
  }
}

uint64_t AnswerLimit(const Connection& connection) {
  const uint64_t limit = connection.target.timeLimitMs;
  return limit + limit / 2;
}

LimitOutcome CheckTimeLimits(Connection& connection, uint64_t now) {
  // `now` may be the start of an operation in which the phase or the part began.
  auto outlived = [now](uint64_t since, uint64_t limit) {
    return now > since && now - since > limit;
  };
  switch (connection.phase) {
    case Phase::kTcpConnecting:
    case Phase::kAwaitingConfirm:
    case Phase::kAwaitingSetup:
      if (outlived(connection.phaseStartedAt, connection.target.timeLimitMs))
        FailConnection(connection, FailureCause::kNoAnswer);
      break;
    case Phase::kEstablished: {
      if (!JobInFlight(connection) || !PartOverdue(connection, now)) break;
      const uint64_t waited = now - connection.job.partSentAt;
      if (connection.target.personality == Personality::kS7) {
        ForgetOverdueJob(connection, waited);
        break;
      }
      Trace(
          "quaxnet: connection %u: no answer within %llu ms: the link is restarted, so that the "
          "answer can never pass for a later request's",
          unsigned{connection.handle}, static_cast<unsigned long long>(waited));
      return LimitOutcome::kRestartLink;
    }
    default:
      break;
  }
  return LimitOutcome::kNone;
}

bool AwaitsPeer(const Connection& connection) {
  switch (connection.phase) {
    case Phase::kTcpConnecting:
    case Phase::kAwaitingConfirm:
    case Phase::kAwaitingSetup:
      return true;
    case Phase::kEstablished:
      return JobInFlight(connection);
    default:
      return false;
  }
}

bool JobInFlight(const Connection& connection) {
  const Job& job = connection.job;
  return job.kind != JobKind::kNone && !job.complete && !job.stopped;
}

bool SendNextPart(Connection& connection, uint64_t now) {
  uint8_t message[kMaxMessageBytes];
  Job& job = connection.job;
  const std::size_t size = EncodeNextPart(job, connection.target.personality, connection.pduSize,
                                          NextReference(connection), message, sizeof message);
  if (size == 0 || !QueueMessage(connection, message, size)) {
    Break(connection);
    return false;
  }
  if (job.doneBytes == 0) job.sentAt = now;
  job.partSentAt = now;
  return true;
}

void SendNoFurtherPart(Connection& connection) {
  connection.job.lastPart = true;
}

bool DropOutstandingJob(Connection& connection, uint64_t now) {
  Job& job = connection.job;
  if (JobInFlight(connection)) {
    if (!job.abandoned) job.abandonedAt = now;
    job.abandoned = true;
    return false;
  }
  // A job stopped between its parts counted its late answer when it stopped.
  if (job.complete) CountDropped(connection, "answer never collected dropped at the next request");
  job.kind = JobKind::kNone;
  return true;
}

bool AwaitsAbandonedAnswer(const Connection& connection) {
  return connection.job.abandoned && JobInFlight(connection);
}

bool HasAnswerToCollect(const Connection& connection, JobKind kind) {
  const Job& job = connection.job;
  return kind != JobKind::kNone && job.kind == kind && job.complete && !job.abandoned;
}

int LinkAnswer(const Connection& connection) {
  switch (connection.phase) {
    case Phase::kEstablished:
      return kAnswerDone;
    case Phase::kBroken:
      return kAnswerBroken;
    case Phase::kFree:
      return kAnswerUnknownHandle;
    default:
      return kAnswerBusy;
  }
}

}  // namespace quaxnet

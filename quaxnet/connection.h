// One connection to a PLC and its state machine:
//
//   kTcpConnecting -> kAwaitingConfirm (COTP CR sent with the block's TSAPs)
//     -> kAwaitingSetup (S7 only: setup communication sent, PDU 960 asked)
//     -> kEstablished -> kBroken
//
// The functions here are the protocol alone: they take the bytes that arrived and queue the bytes
// to send, and never touch a socket (link_io.h moves the bytes). Anything from the peer that is
// malformed, unexpected or does not match what is outstanding breaks the connection; a broken
// connection forgets the part on its way and every byte it held, and stays broken until it is
// restarted. An answer that had arrived whole before the break (the peer answered, then closed)
// stays to be collected; the next request drops it.
// Every phase of the connect must be answered within the connection's time limit, or the
// connection breaks. A part of a job is given half as long again (AnswerLimit): the driver, whose
// time-out is the same limit counted from the same send, gives up first, and an answer that comes
// that much late is still taken off the wire and dropped, and the connection stays. A part that
// outlives even that is forgotten, while the driver's next request (which waits the time-out for
// it) still waits: on S7 its PDU reference is kept as stale, and its answer dropped whenever it
// comes; on S5, whose answers carry nothing that ties them to a request, the link is restarted, so
// that no byte of that answer can ever be taken for a later request's. A job that a later request
// found outstanding (abandoned) sends no more parts, and its part on its way is forgotten half a
// time limit after that at the latest, within the wait of the request that found it. Nor does a
// job send a part once the time limit has passed since its first part went out: the driver has
// given up on it by then, and a write that it reported failed must not go on to change the PLC.
// Such a job is stopped: nothing of it is on its way, and the next request drops it.
#ifndef QUAXNET_CONNECTION_H_
#define QUAXNET_CONNECTION_H_

#include <cstddef>
#include <cstdint>

#include "net/socket.h"
#include "quaxnet/job.h"
#include "quaxnet/reassembly.h"
#include "quaxnet/wire_iso.h"
#include "quaxnet/wire_s5.h"
#include "quaxnet/wire_s7.h"

namespace quaxnet {

enum class Phase : uint8_t {
  kFree,  // the slot holds no connection
  kTcpConnecting,
  kAwaitingConfirm,
  kAwaitingSetup,
  kEstablished,
  kBroken,
};

// Where and how to connect, from the connection request block.
struct Target {
  Personality personality = Personality::kS7;
  uint32_t address = 0;  // IPv4, host byte order
  uint16_t port = 0;
  Tsap local;
  Tsap remote;
  uint32_t timeLimitMs = 0;
};

// The largest message (S7 PDU or S5 telegram) either way.
constexpr std::size_t kMaxMessageBytes =
    kS5MaxTelegramBytes > kS7PduSizeAsked ? kS5MaxTelegramBytes : kS7PduSizeAsked;
// The largest message cut into TPDUs of the smallest size a peer may confirm, with their headers.
// S7 PDU references of forgotten parts remembered at once; the oldest gives way to a newer one.
constexpr std::size_t kStaleReferences = 8;

constexpr std::size_t kOutboundCapacity =
    kMaxMessageBytes +
    (kMaxMessageBytes / ((std::size_t{1} << kTpduSizeCodeDefault) - kDataHeaderBytes) + 1) *
        (kTpktHeaderBytes + kDataHeaderBytes);

struct Connection {
  Phase phase = Phase::kFree;
  uint16_t handle = 0;
  Target target;
  // kNoSocket from allocation on. Zero in a free slot, so that the table is all zeros and needs no
  // writing at load: it costs memory only for the slots in use.
  net::Socket socket = 0;
  uint64_t phaseStartedAt = 0;  // milliseconds
  uint16_t sourceReference = 0;
  uint16_t nextReference = 0;
  uint16_t setupReference = 0;
  std::size_t tpduBytes = 0;  // confirmed by the peer
  uint16_t pduSize = 0;       // granted by an S7 peer
  Reassembly inbound;
  uint8_t message[kMaxMessageBytes]{};  // the DT TPDUs of one message, joined
  std::size_t messageBytes = 0;
  uint8_t outbound[kOutboundCapacity]{};
  std::size_t outboundBytes = 0;
  std::size_t outboundSent = 0;
  uint64_t drainedAt = 0;  // milliseconds: when a receive last found the socket empty
  Job job;
  uint32_t droppedAnswers = 0;  // late or uncollected answers dropped since the slot was taken
  // S7: the references of parts forgotten unanswered (0: none), whose answers are dropped.
  uint16_t staleReferences[kStaleReferences]{};
  uint8_t staleNext = 0;
};

// What CheckTimeLimits asks of the link below the state machine.
enum class LimitOutcome : uint8_t {
  kNone,
  kRestartLink,  // an S5 part outlived its answer limit: a new TCP connection, the old one closed
};

// How long a part of a job waits for its answer from its send, in milliseconds: the time limit of
// the connection request block and half of it again.
uint64_t AnswerLimit(const Connection& connection);

// Forgets everything of the last link and enters kTcpConnecting.
void ResetLink(Connection& connection, uint64_t now);

// The TCP connection is up: queues the connect request.
void OnTcpConnected(Connection& connection, uint64_t now);

// Enters kBroken, forgetting every byte held either way and the job unless its answer is complete
// and waits to be collected.
void Break(Connection& connection);

// Break, and forget the job whatever it holds: a restart or a close.
void BreakAndForget(Connection& connection);

// Takes every whole TPKT out of `connection.inbound` and acts on it.
void ProcessInbound(Connection& connection, uint64_t now);

// Breaks the connection when a phase of its connect has outlived the time limit at `now` (a `now`
// before the phase began is within it). A part of a job that is overdue (past its answer limit,
// or half a time limit after its job was abandoned) is forgotten: on S7 its reference is kept as
// stale and the connection stays; on S5 the answer is kRestartLink, and the job is forgotten with
// the link.
LimitOutcome CheckTimeLimits(Connection& connection, uint64_t now);

// Whether the connection has sent something and waits for the peer.
bool AwaitsPeer(const Connection& connection);

// Whether a part of the job is on its way.
bool JobInFlight(const Connection& connection);

// Queues the next part of the job (the first part notes the job's send at `now`); false (the
// connection broken) when it cannot be encoded.
bool SendNextPart(Connection& connection, uint64_t now);

// A later send found the job outstanding, before anything that arrived since is taken: the driver
// has given up on it, and no part after the one on its way is sent.
void SendNoFurtherPart(Connection& connection);

// A later send found the job outstanding at `now`, after a pass over the socket. An answer that
// arrived whole but was never collected is dropped now (counted and traced), and so is a job
// stopped between its parts; true is returned: the send may go ahead. An answer still on its way
// is marked to be dropped when it comes (the job abandoned), and false returned.
bool DropOutstandingJob(Connection& connection, uint64_t now);

// Whether the job was given up by the driver and its answer is still expected: sends and receives
// answer 14 until it has come and been dropped, or has been forgotten.
bool AwaitsAbandonedAnswer(const Connection& connection);

// Whether the connection holds the whole answer of a job of `kind` that waits to be collected.
bool HasAnswerToCollect(const Connection& connection, JobKind kind);

// The connection state answer: 0 established, 3 on the way there, 9 broken.
int LinkAnswer(const Connection& connection);

}  // namespace quaxnet

#endif  // QUAXNET_CONNECTION_H_

// The last failure of each connection, kept to be told in words (QxConnectionFailure): the step of
// the connection that failed (TCP connect, connection request, setup communication, a read or a
// write on its way) and how (refused, no answer within the time limit, an answer not understood,
// closed by the PLC, a failure the OS names).
//
// A connection's failure is kept from the moment it breaks until the connection is established
// again; a connection that is closed keeps its last failure under its handle until the handle is
// given to a new connection, so that a host can still learn why a connect that it gave up failed.
// A newer failure of another connection to the same address and port, or another connection
// established there, makes the failure of a closed connection to that place obsolete: it is
// forgotten.
//
// The records live in a table of their own, apart from the connections, so that looking through
// them never touches the memory of slots that are not in use.
#ifndef QUAXNET_LINK_FAILURE_H_
#define QUAXNET_LINK_FAILURE_H_

#include <cstddef>
#include <cstdint>

#include "quaxnet/connection.h"

namespace quaxnet {

enum class FailureStep : uint8_t {
  kTcpConnect,
  kConnectRequest,
  kSetup,
  kRead,
  kWrite,
  kIdle,  // established, nothing on its way
};

enum class FailureCause : uint8_t {
  kNone,
  kRefused,    // the PLC answered no: a setup refused with an error class and code (`status`)
  kNoAnswer,   // nothing came within `milliseconds`
  kMalformed,  // bytes not understood, or not the answer to what was on its way (`what`)
  kClosed,     // the PLC closed the connection or sent a disconnect request (`what`)
  kOsError,    // the OS failed the socket (`osError`)
};

struct LinkFailure {
  FailureStep step = FailureStep::kIdle;
  FailureCause cause = FailureCause::kNone;
  int osError = 0;
  uint16_t status = 0;
  uint32_t milliseconds = 0;
  const char* what = "";  // a phrase of static storage
};

// The step a connection is at: its phase, or the job on its way once it is established.
FailureStep StepOf(const Connection& connection);

// Breaks the connection (Break) for `cause` at the step it is at, keeps the failure and traces it
// ("quaxnet: connection N: broken: " and the words of DescribeFailure); a failure for want of an
// answer counts the connection's time limit.
void FailConnection(Connection& connection, FailureCause cause, const char* what = "",
                    int osError = 0, uint16_t status = 0);

// A connection was opened under its handle: whatever the handle's record held before is forgotten.
void NoteOpened(const Connection& connection);

// The connection failed: its record, replacing the one before. Closed connections to the same
// address and port forget theirs.
void NoteFailure(const Connection& connection, const LinkFailure& failure);

// The host closed the connection while it was being made: its record, replacing the one before.
// A connection given up says nothing new of its place, so what other connections met there (a
// refusal, say, of an S5's fetch connection whose write connection is then given up) stays.
void NoteGivenUp(const Connection& connection, const LinkFailure& failure);

// The connection is established: it has no failure now, and closed connections to the same
// address and port forget theirs.
void NoteEstablished(const Connection& connection);

// The connection was closed; its record stays under its handle.
void NoteClosed(const Connection& connection);

// Writes "<address> port <port>: <what failed>" of the connection with `handle` (open, or closed
// and its handle not given again since) into `text`, at most `size` bytes with the terminator.
// Returns 0 when a failure is kept, 8 when the connection has none (an empty text), 2 when no
// connection has or had that handle, 1 for a null text or a size of 0.
int DescribeFailure(uint32_t handle, char* text, std::size_t size);

}  // namespace quaxnet

#endif  // QUAXNET_LINK_FAILURE_H_

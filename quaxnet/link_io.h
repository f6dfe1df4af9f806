// Moves a connection's bytes between its socket and its state machine (connection.h).
//
// A read of the driver costs as few calls as its job allows: one send for the request (nothing is
// received then: the answer cannot be there yet), and for the answer a receive that waits for it
// (net::ReceiveWithin: on Linux one wait and one receive, on Windows one receive and a wait and a
// second receive only when the first found nothing). A receive that comes back short has emptied
// the socket, so no receive is made only to learn that nothing more is there; and before a send, a
// socket found empty within the same millisecond is not asked again when nothing is outstanding on
// it.
#ifndef QUAXNET_LINK_IO_H_
#define QUAXNET_LINK_IO_H_

#include "quaxnet/connection.h"

namespace quaxnet {

// Opens a socket and starts the TCP connect of a connection just reset (ResetLink).
void StartLink(Connection& connection);

// Closes the connection's socket, if it has one.
void CloseLink(Connection& connection);

// Takes what the network has for the connection, sends what is queued and checks its time limits.
// Asked to wait, and only while the connection waits for its peer (connect, confirm, setup, or a
// part of a job on its way), it waits for the socket for at most about 1 ms in all; every wait
// ends the moment the socket is ready.
void Advance(Connection& connection, bool mayWait);

// Advance without waiting, before a request is queued: the socket is not asked again when it was
// found empty within the same millisecond of the library's clock and nothing is outstanding on it.
void AdvanceBeforeSend(Connection& connection);

// Sends what is queued, without receiving: for a request just queued, whose answer cannot have
// arrived yet.
void SendQueued(Connection& connection);

}  // namespace quaxnet

#endif  // QUAXNET_LINK_IO_H_

// Moves a connection's bytes between its socket and its state machine (connection.h).
//
// Advance never blocks: it takes what the network has for the connection, sends what is queued
// and returns. Asked to wait, and only while the connection waits for its peer (connect, confirm,
// setup, or a part of a job on its way), it waits for the socket for at most about 1 ms in all,
// which keeps a read's latency near the network's round trip.
#ifndef QUAXNET_LINK_IO_H_
#define QUAXNET_LINK_IO_H_

#include "quaxnet/connection.h"

namespace quaxnet {

// Opens a socket and starts the TCP connect of a connection just reset (ResetLink).
void StartLink(Connection& connection);

// Closes the connection's socket, if it has one.
void CloseLink(Connection& connection);

void Advance(Connection& connection, bool mayWait);

}  // namespace quaxnet

#endif  // QUAXNET_LINK_IO_H_

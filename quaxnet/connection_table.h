// The fixed table of connections: enough for 511 PLCs that are all S5 pairs, and never more, so
// the library's memory is bounded whatever the driver or the peers do.
//
// Handles are small integers from 1 to kMaxConnections. A closed handle is given again only after
// every other free handle has had its turn, so a stale handle is unlikely to meet a new connection;
// no handle is ever given to two open connections. The slot that holds a connection is another
// matter: a new connection takes the lowest free slot, so that the memory the table has touched
// stays that of the most connections open at once, however many come and go (a slot is about
// 17 kB, the table about 17 MB; see docs/wire.md, "The library's memory").
#ifndef QUAXNET_CONNECTION_TABLE_H_
#define QUAXNET_CONNECTION_TABLE_H_

#include <cstddef>
#include <cstdint>

#include "quaxnet/connection.h"

namespace quaxnet {

constexpr std::size_t kMaxConnections = 1024;

// A free slot, now in use (kBroken, without a socket) with a free handle set; nullptr when the
// table is full.
Connection* AllocateConnection();

// The connection in use under `handle` (its low 16 bits); nullptr when there is none.
Connection* FindConnection(uint32_t handle);

// Gives the slot and the handle back; its socket must be closed already.
void ReleaseConnection(Connection& connection);

}  // namespace quaxnet

#endif  // QUAXNET_CONNECTION_TABLE_H_

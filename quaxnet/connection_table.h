// The fixed table of connections: enough for 511 PLCs that are all S5 pairs, and never more, so
// the library's memory is bounded whatever the driver or the peers do.
//
// Handles are small integers from 1 (the slot number + 1). A closed slot is taken again only after
// every other free slot has had its turn, so a stale handle is unlikely to meet a new connection;
// no handle is ever given to two open connections.
#ifndef QUAXNET_CONNECTION_TABLE_H_
#define QUAXNET_CONNECTION_TABLE_H_

#include <cstddef>
#include <cstdint>

#include "quaxnet/connection.h"

namespace quaxnet {

constexpr std::size_t kMaxConnections = 1024;

// A free slot, now in use (kBroken, without a socket) with its handle set; nullptr when the table
// is full.
Connection* AllocateConnection();

// The connection in use under `handle` (its low 16 bits); nullptr when there is none.
Connection* FindConnection(uint32_t handle);

// Gives the slot back; its socket must be closed already.
void ReleaseConnection(Connection& connection);

// The slot numbered `index` (0 to kMaxConnections - 1), in use or not.
Connection& ConnectionAt(std::size_t index);

}  // namespace quaxnet

#endif  // QUAXNET_CONNECTION_TABLE_H_

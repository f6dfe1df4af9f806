#include "quaxnet/connection_table.h"

namespace quaxnet {
namespace {

// Constant-initialised to zeros: the table costs memory only for the slots in use.
constinit Connection connections[kMaxConnections];

// Which slot each handle names (the slot number + 1; 0: the handle is free), and whether each
// slot is taken: small tables of their own, so that neither the choice of a handle nor that of a
// slot touches the memory of slots not in use.
constinit uint16_t slotOfHandle[kMaxConnections + 1] = {};
constinit bool slotTaken[kMaxConnections] = {};
std::size_t nextHandle = 1;

}  // namespace

Connection* AllocateConnection() {
  std::size_t slot = 0;
  while (slot < kMaxConnections && slotTaken[slot])
    ++slot;
  if (slot == kMaxConnections) return nullptr;
  // A free slot means a free handle: there are as many of each.
  std::size_t handle = nextHandle;
  while (slotOfHandle[handle] != 0)
    handle = handle % kMaxConnections + 1;
  nextHandle = handle % kMaxConnections + 1;
  slotTaken[slot] = true;
  slotOfHandle[handle] = static_cast<uint16_t>(slot + 1);
  Connection& connection = connections[slot];
  connection.handle = static_cast<uint16_t>(handle);
  connection.socket = net::kNoSocket;
  connection.droppedAnswers = 0;
  BreakAndForget(connection);
  return &connection;
}

Connection* FindConnection(uint32_t handle) {
  const uint16_t value = static_cast<uint16_t>(handle);
  if (value == 0 || value > kMaxConnections || slotOfHandle[value] == 0) return nullptr;
  return &connections[slotOfHandle[value] - 1];
}

void ReleaseConnection(Connection& connection) {
  BreakAndForget(connection);
  connection.phase = Phase::kFree;
  const std::size_t slot = static_cast<std::size_t>(&connection - connections);
  if (slot >= kMaxConnections) return;
  slotTaken[slot] = false;
  if (connection.handle != 0 && connection.handle <= kMaxConnections)
    slotOfHandle[connection.handle] = 0;
}

}  // namespace quaxnet

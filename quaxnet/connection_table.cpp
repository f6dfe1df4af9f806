#include "quaxnet/connection_table.h"

namespace quaxnet {
namespace {

// Constant-initialised to zeros: the table costs memory only for the slots in use.
constinit Connection connections[kMaxConnections];
std::size_t nextSlot = 0;

}  // namespace

Connection* AllocateConnection() {
  for (std::size_t i = 0; i < kMaxConnections; ++i) {
    const std::size_t slot = (nextSlot + i) % kMaxConnections;
    Connection& connection = connections[slot];
    if (connection.phase != Phase::kFree) continue;
    nextSlot = (slot + 1) % kMaxConnections;
    connection.handle = static_cast<uint16_t>(slot + 1);
    connection.socket = net::kNoSocket;
    connection.droppedAnswers = 0;
    BreakAndForget(connection);
    return &connection;
  }
  return nullptr;
}

Connection* FindConnection(uint32_t handle) {
  const uint16_t value = static_cast<uint16_t>(handle);
  if (value == 0 || value > kMaxConnections) return nullptr;
  Connection& connection = connections[value - 1];
  return connection.phase == Phase::kFree ? nullptr : &connection;
}

void ReleaseConnection(Connection& connection) {
  BreakAndForget(connection);
  connection.phase = Phase::kFree;
}

Connection& ConnectionAt(std::size_t index) {
  return connections[index % kMaxConnections];
}

}  // namespace quaxnet

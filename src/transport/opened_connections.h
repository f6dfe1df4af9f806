// The connections that this driver opened, per state block, for the whole process: what a second
// Init of the same block closes before it resets the block.
//
// The host may hand over a block it never zeroed, or one that another program wrote, so a handle
// in a block proves nothing: only a handle noted here, for that block and that PLC row, and still
// held by the row, is closed. The record is a fixed table (no allocation); when it is full a new
// connection goes unnoted and is left open by a later Init, as it would be without the record.
// Closing the transport library forgets everything. Not thread-safe: one request at a time.
#ifndef ZAN_TRANSPORT_OPENED_CONNECTIONS_H_
#define ZAN_TRANSPORT_OPENED_CONNECTIONS_H_

#include <cstddef>
#include <cstdint>

#include "core/driver_state.h"

namespace zan {

// Connections the record holds at most: a read and a write connection for every PLC row of two
// state blocks.
constexpr std::size_t kOpenedConnectionRecord = 2 * 2 * kPlcCount;

// Notes that the driver stored `handle`, a connection it opened, in PLC row `plc` of `state`.
void NoteOpenedConnection(const DriverState& state, int plc, uint16_t handle);

// Forgets `handle` of row `plc` of `state`: the driver closed it.
void ForgetOpenedConnection(const DriverState& state, int plc, uint16_t handle);

// Closes every connection noted for `state` that its row still holds (read or write connection),
// through the transport's close operation, and forgets every connection noted for `state`.
// Returns how many it closed.
int CloseOpenedConnections(const DriverState& state);

// Forgets every connection noted: the transport library has closed them all.
void ForgetAllOpenedConnections();

}  // namespace zan

#endif  // ZAN_TRANSPORT_OPENED_CONNECTIONS_H_

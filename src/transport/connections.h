// The life of the connections to the PLCs: connecting every configured PLC at Init, the warm start
// (command 2) and the close of the transport (command 11).
//
// An S7 (and a type-6 PLC) has one connection addressed by slot; an S5 a pair, read and write,
// addressed by TSAPs. Handles are stored in the PlcEntry only on success and never cleared here; a
// later warm start restarts them through the transport. Each command opens or restarts every
// connection it needs first and then waits for all of them together (connection_attempts.h): the
// state of each is polled 2 ms apart (DriverSleep) until the connection is established, the
// transport answers that it failed (9, or 2 for a handle that no connection has), or the driver
// time-out has passed on the driver clock (core/clock.h).
#ifndef ZAN_TRANSPORT_CONNECTIONS_H_
#define ZAN_TRANSPORT_CONNECTIONS_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"

namespace zan {

// Opens the transport library and connects every configured PLC, 0 to 511 in ascending order. A
// library that does not open is logged and nothing else is done; a PLC that fails does not stop the
// others. The connections of all PLCs are opened first and then waited for together, each until
// the driver time-out has passed since its first poll, so that PLCs that are down cost one time-out
// in all (and the time of a round of polls); then each PLC in turn logs its lines and gets its
// handles and linkState as PlcConnect would give them.
void OpenAllConnections(DriverState& state);

// Connects PLC `plc` (0..511) by its type, sets its linkState to 0 on success or 2 on failure and
// returns the outcome. An S5 pair opens its read and write connections together and waits for both
// at once; its lines are logged read connection first, and a write connection whose read connection
// failed is closed unlogged. A connection that succeeds closes the handle it replaces and is noted
// as opened for the state (opened_connections.h); a failed one leaves the recorded handles as they
// were, for a later warm start to restart.
bool PlcConnect(DriverState& state, int plc);

// Command 2. The argument is one signed 32-bit PLC number, in and out: it comes back holding the
// backup's number when the backup's connections were restarted. Returns 0 when at least one
// connection was restarted and reported established, else 1; 1 also for a PLC number outside 0..511
// or a request without its state or argument, which touch nothing. The connections of the PLC and
// of its backup are opened (where no handle is recorded) or restarted together and waited for
// together, within one time-out; the lines are logged afterwards in the order of the steps.
int32_t WarmStart(ZanRequest* request);

// Command 11: closes the transport library (which closes its connections) and forgets the record of
// the connections opened (opened_connections.h). Always 0.
int32_t CloseTransport(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_TRANSPORT_CONNECTIONS_H_

// Connections opened or restarted first and then waited for together: the one wait of Init, of the
// heartbeat's reconnect and of the warm start.
//
// A connection ends its wait when the transport reports it established (0) or failed (9, or 2 for
// a handle that no connection has), or once the driver time-out has passed since its first poll
// and it has been asked at least three times. The waits run side by side, in rounds of one state
// poll of each connection still pending, 2 ms apart (DriverSleep, within the deadline of the
// connection polled first), so that any number of connections cost one time-out. Nothing here
// logs before the wait: the callers log each PLC's lines in their turn afterwards, as if each had
// connected alone. Not thread-safe: one request at a time.
#ifndef ZAN_TRANSPORT_CONNECTION_ATTEMPTS_H_
#define ZAN_TRANSPORT_CONNECTION_ATTEMPTS_H_

#include <cstdint>

#include "core/clock.h"
#include "core/driver_state.h"

namespace zan {

constexpr uint32_t kConnectPollMilliseconds = 2;

// How the wait for one connection ended.
enum class WaitOutcome : uint8_t {
  kNotOpened,  // the open was refused, or never made
  kPending,
  kEstablished,
  kFailed,  // the transport said the connection failed, or the time-out passed
};

// One connection opened or restarted: what the operation answered and how its wait ended.
struct ConnectionAttempt {
  uint16_t result = 0;  // of the open or the restart operation
  uint16_t status = 0;  // left in the block by an open
  uint16_t handle = 0;
  WaitOutcome outcome = WaitOutcome::kNotOpened;
  uint16_t polls = 0;  // counted up to three: 0 means not polled yet
  Deadline deadline;   // the driver time-out from the first poll
};

// The connections of one PLC: an S7's (and a type-6 PLC's) in `read`, or an S5 pair.
struct PlcAttempt {
  int number = 0;
  bool s5 = false;
  // Restarted rather than opened: the write connection of a pair is waited for whatever its read
  // connection does, as each connection of a restart is.
  bool restart = false;
  ConnectionAttempt read;
  ConnectionAttempt write;
};

// Opens the connections of PLC `attempt.number` by its type without waiting for them. The write
// connection of an S5 pair is opened together with its read connection, unless the transport
// refuses the read connection.
void OpenPlc(const DriverState& state, PlcAttempt& attempt);

// Restarts the recorded connections of PLC `attempt.number` (its readConnection; and its
// writeConnection on an S5) without waiting for them; see RestartConnection.
void RestartPlc(const DriverState& state, PlcAttempt& attempt);

// Restarts `handle` through the transport, keeping its answer in `attempt.result`. The connection
// is waited for whatever the restart answered (it may come up all the same), except a handle of 0,
// which names no connection: it has failed.
void RestartConnection(uint16_t handle, ConnectionAttempt& attempt);

// Waits for every pending connection of `count` attempts together. The write connection of an S5
// pair being opened is no longer asked once its read connection has failed.
void WaitAll(const DriverState& state, PlcAttempt* attempts, int count);

// After the wait of an open: logs the PLC's connect lines (read connection first on an S5; a
// write connection whose read connection failed is closed unlogged), records the handles of the
// connections that came up (closing the handles they replace, and noting them as opened for the
// state), closes those that did not, sets linkState to 0 or 2 and returns whether the PLC is
// connected. A read connection that came up stays recorded when the write connection fails.
bool FinishConnect(DriverState& state, const PlcAttempt& attempt);

}  // namespace zan

#endif  // ZAN_TRANSPORT_CONNECTION_ATTEMPTS_H_

// Sending a read or write request to the transport, and the waits around the send that reads and
// writes share: the retries of a busy transport, and the wait for the late answer of an earlier
// request that the transport still expects (answer 14).
//
// The transport gives each request the time-out of its connection request block and half of it
// again before it gives up on the answer, and a late answer within that is dropped, never taken for
// a later request's. The driver therefore waits at most the time-out that the block carried
// (RequestWaitMilliseconds) for an answer, counted from the send, so that it always gives up
// first. Every wait goes through DriverSleep and ends at a deadline on the driver clock. Not
// thread-safe: one request at a time.
#ifndef ZAN_TRANSPORT_REQUEST_SEND_H_
#define ZAN_TRANSPORT_REQUEST_SEND_H_

#include <cstdint>

#include "core/clock.h"
#include "core/driver_state.h"
#include "transport/transport_operations.h"

namespace zan {

constexpr int kBusyRetries = 20;
constexpr uint32_t kBusyRetryMilliseconds = 10;
constexpr uint32_t kBusyRetryS5ExtraMilliseconds = 40;
constexpr uint32_t kPendingDropMilliseconds = 1;

enum class RequestKind : uint8_t { kRead, kWrite };

// How long the driver waits for the answer to one request: `timeout`, held to what the connection
// request block's 16-bit field carries (65535 ms), so that the driver gives up before the
// transport whatever the time-out.
int32_t RequestWaitMilliseconds(int32_t timeout);

// Sends `record` (with `data` for a write) through the send-read or send-write operation. While
// the transport answers 3 (busy), asks again after 10 ms (50 ms on a PLC of type 5), at most 20
// more times and never once `deadline` has passed; any other answer ends the retries. Returns the
// last answer.
uint16_t SendWithBusyRetries(RequestKind kind, TransferRecord& record, const void* data,
                             uint8_t plcType, const Deadline& deadline);

// The send answered 14: the answer to an earlier request is still on its way. Polls the receive
// (completion) of `handle` 1 ms apart while it answers 14, until `deadline` passes: the transport
// drops that answer when it comes, so that it never passes for a later request's, and the request
// after this one finds the connection free. Returns the last answer.
uint16_t AwaitPendingAnswer(RequestKind kind, DriverState& state, uint16_t handle,
                            const Deadline& deadline);

// Whether an answer of a receive or a completion says that the connection cannot carry the
// request: 2 (no connection has the handle), 3 (not established) or 9 (broken).
bool ConnectionUnusable(uint16_t answer);

}  // namespace zan

#endif  // ZAN_TRANSPORT_REQUEST_SEND_H_

// The common read of every reader: the block cache first, then the transport.
//
// Waits only through DriverSleep: a busy send is retried at most 20 times 10 ms apart (50 ms on an
// S5) within the driver time-out from the first send, and the answer is polled 1 ms apart (50 ms
// after a re-send of a lost request) until the time-out (at most 65535 ms, request_send.h) has
// passed on the driver clock (core/clock.h), counted from the send that the transport took, and
// once more then: an answer that arrived during the last sleep is taken. Not thread-safe: one
// request at a time.
#ifndef ZAN_READ_READ_FROM_PLC_H_
#define ZAN_READ_READ_FROM_PLC_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "transport/request_send.h"
#include "transport/transport_operations.h"

namespace zan {

constexpr uint32_t kReceivePollMilliseconds = 1;
constexpr uint32_t kResendMilliseconds = 50;

// Whether a registered cache block may answer a read: always, except for the word that a bit write
// is about to change, which must be the PLC's own (a block may be a poll cycle old).
enum class CacheUse : uint8_t { kServe, kBypass };

// Reads the data of `record` (area, data block, start and length filled) for `item`, whose `plc`
// must name a row of the PLC table (0..511) and whose `addressText` must be set. Sets the record's
// connection to the PLC's readConnection. Except for cache-block tags, the input, output and flag
// kinds and CacheUse::kBypass, a registered cache block that holds the whole request answers it:
// from its data when it is valid (0), else with 1, without asking the PLC. A cache-block tag (kind
// 'T') reads its block's length and stores the block on success. On a PLC of type 6 a data-block
// record in words is asked for as the bytes that hold them (byte_addressed_words.h).
//
// Returns 0 with the data at the start of transferBuffer; 1 when the PLC, the transport or the
// cache refused, when the record asks for no bytes at all (nothing is sent), or when the send
// found the answer to an earlier request still on its way (14: waited for, within the time-out,
// and dropped by the transport); 2 when the PLC cannot be reached (no connection, connection
// failure, busy after the retries, no answer within the time-out, or a re-send of a lost request
// refused with 9: a dead link). Logs as the host's log expects; COMM_TRACE adds a trace line.
int32_t ReadFromPlc(DriverState& state, const TagItem& item, TransferRecord& record,
                    CacheUse cacheUse = CacheUse::kServe);

}  // namespace zan

#endif  // ZAN_READ_READ_FROM_PLC_H_

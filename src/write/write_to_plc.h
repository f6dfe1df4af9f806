// The common transport write of every writer: send the data in transferBuffer, wait for the
// completion, and keep the block cache consistent with what was written.
//
// Not thread-safe: the host sends one request at a time. Every wait goes through DriverSleep and
// ends at a deadline on the driver clock (core/clock.h).
#ifndef ZAN_WRITE_WRITE_TO_PLC_H_
#define ZAN_WRITE_WRITE_TO_PLC_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"
#include "transport/transport_operations.h"

namespace zan {

constexpr uint32_t kCompletionPollMilliseconds = 1;

// Writes the first bytes of transferBuffer that `record` describes (area, data block, start and
// length filled in) to the PLC named by `item.plc`, which must be a row of the PLC table.
// `encodedBytes` is how many bytes the writer placed there for this write: a record that covers
// more (read/transfer_values.h, RecordBytes) is refused with 1, logged by nothing and sent nowhere,
// so that no byte left in transferBuffer by another request ever reaches the PLC. Fills
// the record's connection handle: the PLC's write connection, or its read connection when it has
// none; a PLC with neither is not asked (2, nothing logged, as a read). The send judges the
// transport as a read's does (request_send.h): a busy transport is asked again within the
// time-out, and an earlier answer still on its way (14) is waited for and costs this write (1).
// The completion is polled 1 ms apart until it comes or the time-out (at most 65535 ms) has passed
// since the send, and once more then (a completion that arrived during the last sleep is taken).
// On a PLC of type 6 a data-block record in words goes out as the bytes that hold them
// (byte_addressed_words.h).
//
// Returns 0 when the write completed with status 0; then every valid cache block of the PLC that
// holds the whole written range of a data block receives the written bytes. Returns 2 when the
// completion did not come within the time-out or the connection cannot carry the write (a send
// that is not taken: busy after the retries, 9, 2; a completion of 2, 3 or 9), 1 for any other
// answer or a non-zero status; both failures are logged and leave the cache untouched. 1 also,
// without a transfer, for type-6 words beyond the connection's 16-bit byte addresses.
int32_t WriteToPlc(DriverState& state, const TagItem& item, TransferRecord& record,
                   int32_t encodedBytes);

// The cache part of a successful data-block write: copies the written bytes into every valid block
// of `item.plc` that holds the record's whole range, in ascending slot order, with a trace line
// for each while COMM_TRACE is on. The record's start and length are taken in the blocks' unit,
// bytes, as the reads that fill and serve the blocks take them.
void UpdateCoveringCacheBlocks(DriverState& state, const TagItem& item,
                               const TransferRecord& record);

// The item's address text for log lines; an empty text when the host gave none.
const char* LoggedAddressText(const TagItem& item);

}  // namespace zan

#endif  // ZAN_WRITE_WRITE_TO_PLC_H_

// The tags that feed and report the switchover: the status tag (kind '!') and the heartbeat words
// of the master (kind '1') and of the backup (kind '2').
//
// A heartbeat word is a data-block word that the PLC's program keeps changing. Each read of its
// tag reads the word with the rules of kind 0 (cache included), reconnects the PLC through
// PlcConnect when its linkState is 2, and marks the PLC alive (watchdogAlive 1) only when the word
// differs from the value of the last check. Not thread-safe: one request at a time.
#ifndef ZAN_READ_SWITCHOVER_TAGS_H_
#define ZAN_READ_SWITCHOVER_TAGS_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"

namespace zan {

// Status values of the monitored PLC; the first that applies is placed.
constexpr uint16_t kStatusNotConnected = 4;      // linkState 1 or 2
constexpr uint16_t kStatusHeartbeatStopped = 2;  // watchdogAlive 0
constexpr uint16_t kStatusActive = 1;            // active 1
constexpr uint16_t kStatusStandby = 0;

// Places the status value of PLC `item.address` (which must be within 0..511) as one 16-bit value
// at the start of the value buffer. Transfers nothing; returns 0.
int32_t ReadStatusTag(DriverState& state, TagItem& item);

// The master's heartbeat tag: `item.plc` holds 256 + the PLC number. A PLC whose linkState is 2
// is reconnected and not read in this request; otherwise its word is read and the result stored
// in its linkState. Returns 1 when its linkState is then 2, else 0; `item.plc` is as on entry.
int32_t ReadMasterHeartbeat(DriverState& state, TagItem& item);

// The backup's heartbeat tag: as the master's, for the backup named by the row of the low 8 bits
// of `item.plc`, which must have one. After a successful reconnect the word is read in the same
// request; while the backup's linkState is 1 it is not read.
int32_t ReadBackupHeartbeat(DriverState& state, TagItem& item);

}  // namespace zan

#endif  // ZAN_READ_SWITCHOVER_TAGS_H_

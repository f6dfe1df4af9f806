// The master/backup switchover: before every read and write, the choice of the member of a
// master/backup pair that serves the request.
//
// A PLC is failing when its linkState is 2 or its watchdogAlive is 0. The master serves while it
// is healthy; while it fails, the backup serves as long as its own linkState is not 2. The pair's
// `active` marks follow the choice, and each change of side is logged once:
//
// clang-format off
//   from                            event (start of a request)  to              logged
//   initial (1/1), master serving   master failing, backup ok   backup serving  Changed to Backup
//   backup serving                  master failing, backup ok   backup serving  -
//   any                             both failing                (unchanged)     -  (result 2)
//   backup serving                  master healthy              master serving  Changed from Backup
//   initial, master serving         master healthy              master serving  -
// clang-format on
//
// Not thread-safe: one request at a time.
#ifndef ZAN_READ_SWITCHOVER_H_
#define ZAN_READ_SWITCHOVER_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"

namespace zan {

// Chooses the PLC of the request's TagItem. Returns 0: carry on with the PLC now named by the
// item's `plc`, which is the backup's number when the backup serves (and stays so). Returns 2 when
// both members fail: nothing changes, and the caller returns 2 at once without reading or writing.
// Returns 1, touching nothing, when the request has no state or no item, or when the item's `plc`
// names no row of the PLC table (outside 0..511); the caller refuses the request with it.
int32_t SelectActivePlc(ZanRequest* request);

// The same on the records themselves; `item.plc` must be within 0..511.
int32_t SelectActivePlc(DriverState& state, TagItem& item);

}  // namespace zan

#endif  // ZAN_READ_SWITCHOVER_H_

// Init (command 1): the version line, the time-out, the reset of the state, the configuration file
// and the connections of an instance.
#ifndef ZAN_ENTRY_INIT_H_
#define ZAN_ENTRY_INIT_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

// The driver time-out for the host's setting: ten times the setting, 1000 when that is below 100,
// and never more than a 32-bit integer holds.
int32_t TimeoutFromSetting(int32_t timeoutSetting);

// Init of a block that this driver initialised before first closes the connections it opened for it
// (opened_connections.h), then resets it. Returns 0 when the instance is idle (enabled 0; nothing
// is closed) or initialised, whatever the connections did;
// 2 when its configuration file is missing or fails to load; 1 when the request lacks its state
// or argument.
int32_t Init(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_ENTRY_INIT_H_

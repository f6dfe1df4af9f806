// GetDriverInfo (command 14): what the host learns about the driver before it creates instances.
#ifndef ZAN_ENTRY_DRIVER_INFO_H_
#define ZAN_ENTRY_DRIVER_INFO_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

constexpr char kDriverName[] = "SIEMENS, SIMATIC S5 & S7 Family";
constexpr int kBannerBytes = 385;  // without the terminator

// The installation banner in code page 437: a line feed, then six lines of 63 characters, each
// followed by a line feed. Static, zero-terminated.
const char* InstallationBanner();

// Writes infoCode, driverName, banner, stateSize, infoFlag and infoValue into the DriverInfo that
// the request's argument points to; leaves its other bytes alone and touches no state. Returns 0,
// or 1 when the argument is missing.
int32_t GetDriverInfo(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_ENTRY_DRIVER_INFO_H_

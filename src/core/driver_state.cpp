#include "core/driver_state.h"

#include <cstring>

namespace zan {

bool ResetDriverState(DriverState& state) {
  // floatOddAddress is left alone: the file only ever switches it on, and a block that the host
  // hands over zero-filled starts with it off.
  state.longDb = 0;
  state.commTrace = 0;

  // Only the ownership and the validity are reset; a slot's other fields are meaningful only while
  // it is claimed again.
  for (CacheBlock& block : state.cache) {
    block.tagId = kCacheSlotFree;
    block.valid = 0;
  }

  for (PlcEntry& plc : state.plcs) {
    plc.type = kPlcTypeS7;
    plc.readConnection = 0;
    plc.writeConnection = 0;
    plc.linkState = kLinkUntriedOrRefused;
    plc.backupPlc = 0;
    std::memset(plc.ipAddress, 0, sizeof plc.ipAddress);
    plc.localTsap[0] = 0x01;
    plc.localTsap[1] = 0x01;
    plc.readTsap[0] = 0x03;
    plc.readTsap[1] = 0x02;
    plc.slot = 2;
    plc.active = 1;
    plc.watchdogValue = 0;
    plc.watchdogAlive = 1;
  }
  return true;
}

}  // namespace zan

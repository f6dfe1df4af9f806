#include "session/switchover_carry.h"

#include <algorithm>
#include <cstring>

namespace zanhost {
namespace {

bool SameConfiguration(const PlcEntry& a, const PlcEntry& b) {
  return a.type == b.type && a.slot == b.slot && a.backupPlc == b.backupPlc &&
         std::memcmp(a.ipAddress, b.ipAddress, sizeof a.ipAddress) == 0 &&
         std::memcmp(a.localTsap, b.localTsap, sizeof a.localTsap) == 0 &&
         std::memcmp(a.readTsap, b.readTsap, sizeof a.readTsap) == 0 &&
         std::memcmp(a.writeTsap, b.writeTsap, sizeof a.writeTsap) == 0;
}

}  // namespace

std::vector<PlcEntry> CopyPlcTable(const DriverState& state) {
  return std::vector<PlcEntry>(std::begin(state.plcs), std::end(state.plcs));
}

std::vector<int> CarrySwitchoverState(const std::vector<PlcEntry>& before, DriverState& after) {
  const int rows = std::min(static_cast<int>(before.size()), kPlcCount);
  std::vector<bool> carried(kPlcCount, false);
  for (int plc = 0; plc < rows; ++plc) {
    carried[plc] =
        zan::IsConfiguredPlc(after, plc) && SameConfiguration(before[plc], after.plcs[plc]);
  }
  // A pair is carried whole or not at all, in the old table and in the new: its members' fields
  // belong together (the master's active mark and its backup's), and a PLC that left a pair or
  // joined one starts afresh.
  // (A PLC may be the backup of several masters: what one pair drops may drop another, so the
  // pairs are gone through until nothing changes.)
  bool changed = true;
  const auto pairs = [&](const auto& backupOf) {
    for (int master = 0; master < rows; ++master) {
      const int backup = backupOf(master);
      if (backup == 0 || backup == master || backup >= rows) continue;
      if (carried[master] != carried[backup]) {
        carried[master] = carried[backup] = false;
        changed = true;
      }
    }
  };
  while (changed) {
    changed = false;
    pairs([&](int plc) { return before[plc].ipAddress[0] != '\0' ? before[plc].backupPlc : 0; });
    pairs(
        [&](int plc) { return zan::IsConfiguredPlc(after, plc) ? after.plcs[plc].backupPlc : 0; });
  }
  std::vector<int> numbers;
  for (int plc = 0; plc < rows; ++plc) {
    if (!carried[plc]) continue;
    PlcEntry& row = after.plcs[plc];
    row.active = before[plc].active;
    row.watchdogValue = before[plc].watchdogValue;
    row.watchdogAlive = before[plc].watchdogAlive;
    numbers.push_back(plc);
  }
  return numbers;
}

}  // namespace zanhost

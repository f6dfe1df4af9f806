#include "session/plc_state_words.h"

namespace zanhost {
namespace {

bool Valid(int plc) {
  return plc >= 0 && plc < kPlcCount;
}

// The master whose backup `plc` is, or -1.
int MasterOf(const DriverState& state, int plc) {
  for (int row = 0; row < kPlcCount; ++row) {
    if (row != plc && state.plcs[row].backupPlc == plc && zan::IsConfiguredPlc(state, row))
      return row;
  }
  return -1;
}

// Whether the PLC serves its pair's tags. Until the first request of a pair both members are
// marked active, and that request goes to the master: the backup is on standby from the start.
bool Serves(const DriverState& state, int plc) {
  const PlcEntry& entry = state.plcs[plc];
  if (entry.active == 0) return false;
  const int master = MasterOf(state, plc);
  return master < 0 || state.plcs[master].active == 0;
}

}  // namespace

bool IsPlcUnreachable(const DriverState& state, int plc) {
  if (!Valid(plc)) return true;
  const PlcEntry& entry = state.plcs[plc];
  return entry.linkState == kLinkFailed ||
         (entry.linkState == kLinkUntriedOrRefused && entry.readConnection == 0);
}

std::map<int, bool> UnreachablePlcs(const DriverState& state, const std::vector<ListedPlc>& plcs) {
  std::map<int, bool> down;
  for (const ListedPlc& plc : plcs)
    down[plc.number] = IsPlcUnreachable(state, plc.number);
  return down;
}

std::string PlcStateWord(const DriverState& state, int plc) {
  if (!Valid(plc)) return "unknown";
  const PlcEntry& entry = state.plcs[plc];
  if (entry.linkState == kLinkFailed) return "link down";
  if (entry.linkState == kLinkUntriedOrRefused && entry.readConnection == 0) return "not connected";
  if (entry.watchdogAlive == 0) return "heartbeat stopped";
  std::string word = Serves(state, plc) ? "active" : "standby";
  if (entry.linkState == kLinkUntriedOrRefused) word += ", last request refused";
  return word;
}

}  // namespace zanhost

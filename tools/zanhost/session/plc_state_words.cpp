#include "session/plc_state_words.h"

namespace zanhost {
namespace {

bool Valid(int plc) {
  return plc >= 0 && plc < kPlcCount;
}

}  // namespace

int PlcStatusValue(const DriverState& state, int plc) {
  if (!Valid(plc)) return kStatusFailed;
  const PlcEntry& entry = state.plcs[plc];
  if (entry.linkState == kLinkUntriedOrRefused || entry.linkState == kLinkFailed)
    return kStatusFailed;
  if (entry.watchdogAlive == 0) return kStatusHeartbeatStopped;
  return entry.active == 1 ? kStatusActive : kStatusStandby;
}

int MasterOf(const DriverState& state, int plc) {
  for (int row = 0; row < kPlcCount; ++row) {
    if (row != plc && state.plcs[row].backupPlc == plc && zan::IsConfiguredPlc(state, row))
      return row;
  }
  return -1;
}

bool IsPairMember(const DriverState& state, int plc) {
  if (!Valid(plc)) return false;
  return state.plcs[plc].backupPlc != 0 || MasterOf(state, plc) >= 0;
}

bool WaitsForHeartbeat(const DriverState& state, int plc, bool linkRestored) {
  return linkRestored && Valid(plc) && state.plcs[plc].linkState == kLinkFailed &&
         IsPairMember(state, plc);
}

bool IsPlcUnreachable(const DriverState& state, int plc) {
  if (!Valid(plc)) return true;
  const PlcEntry& entry = state.plcs[plc];
  return entry.linkState == kLinkFailed ||
         (entry.linkState == kLinkUntriedOrRefused && entry.readConnection == 0);
}

bool NeedsWarmStart(const DriverState& state, int plc, bool linkRestored) {
  return IsPlcUnreachable(state, plc) && !WaitsForHeartbeat(state, plc, linkRestored);
}

std::string PlcStateWord(const DriverState& state, int plc, bool linkRestored, bool noAnswer,
                         bool heartbeatUnread) {
  if (!Valid(plc)) return "unknown";
  const PlcEntry& entry = state.plcs[plc];
  switch (PlcStatusValue(state, plc)) {
    case kStatusFailed:
      if (WaitsForHeartbeat(state, plc, linkRestored)) return "waits for its heartbeat";
      // A late answer fails the read with 2 (link state 2), and the request behind it, which the
      // transport holds back, with 1: neither is a lost link nor a refusal.
      if (noAnswer && entry.readConnection != 0) return kNoAnswerWord;
      if (entry.linkState == kLinkFailed) return "link down";
      return entry.readConnection == 0 ? "not connected" : "last request refused";
    case kStatusHeartbeatStopped:
      return heartbeatUnread ? "waits for its heartbeat" : "heartbeat stopped";
    case kStatusActive:
      return "active";
    default:
      return "standby";
  }
}

bool IsOutageWord(const std::string& word) {
  return word == "link down" || word == "not connected" || word == "waits for its heartbeat" ||
         word == "heartbeat stopped" || word == kNoAnswerWord;
}

}  // namespace zanhost

#include "read/switchover_tags.h"

#include "address/tag_address.h"
#include "core/byte_order.h"
#include "read/readers.h"
#include "transport/connections.h"

namespace zan {
namespace {

uint16_t StatusOf(const PlcEntry& plc) {
  if (plc.linkState == kLinkUntriedOrRefused || plc.linkState == kLinkFailed)
    return kStatusNotConnected;
  if (plc.watchdogAlive == 0) return kStatusHeartbeatStopped;
  if (plc.active == 1) return kStatusActive;
  return kStatusStandby;
}

// Reads the heartbeat word of PLC `number` with the rules of kind 0 and keeps the outcome in its
// linkState.
void ReadHeartbeatWord(DriverState& state, TagItem& item, int number) {
  state.plcs[number].linkState = static_cast<uint8_t>(ReadTagAs(state, item, kKindWord));
}

// Compares the word now at the start of the value buffer (what this read placed, or what the host's
// buffer held) with the last one, and gives the heartbeat tag's result.
int32_t CheckHeartbeat(DriverState& state, const TagItem& item, int number) {
  PlcEntry& plc = state.plcs[number];
  plc.watchdogAlive = 1;
  const uint16_t word = LoadLittle16(static_cast<const uint8_t*>(item.valueBuffer));
  if (word == plc.watchdogValue || plc.linkState == kLinkFailed) {
    plc.watchdogAlive = 0;
  } else {
    plc.watchdogValue = word;
  }
  return plc.linkState == kLinkFailed ? kResultRefused : kResultDone;
}

}  // namespace

int32_t ReadStatusTag(DriverState& state, TagItem& item) {
  StoreLittle16(static_cast<uint8_t*>(item.valueBuffer), StatusOf(state.plcs[item.address]));
  return kResultDone;
}

int32_t ReadMasterHeartbeat(DriverState& state, TagItem& item) {
  const int32_t entry = item.plc;
  const int master = entry & 0xFF;
  item.plc = master;
  if (state.plcs[master].linkState == kLinkFailed) {
    // Reconnected only; the word is read by the next request.
    PlcConnect(state, master);
  } else {
    ReadHeartbeatWord(state, item, master);
  }
  const int32_t result = CheckHeartbeat(state, item, master);
  item.plc = entry;
  return result;
}

int32_t ReadBackupHeartbeat(DriverState& state, TagItem& item) {
  const int32_t entry = item.plc;
  const int backup = state.plcs[entry & 0xFF].backupPlc;
  item.plc = backup;
  if (state.plcs[backup].linkState == kLinkFailed) PlcConnect(state, backup);
  if (state.plcs[backup].linkState == kLinkConnected) ReadHeartbeatWord(state, item, backup);
  const int32_t result = CheckHeartbeat(state, item, backup);
  item.plc = entry;
  return result;
}

}  // namespace zan

#include "read/switchover.h"

#include "core/host_services.h"

namespace zan {
namespace {

bool Failing(const PlcEntry& plc) {
  return plc.linkState == kLinkFailed || plc.watchdogAlive == 0;
}

}  // namespace

int32_t SelectActivePlc(DriverState& state, TagItem& item) {
  const int32_t master = item.plc;
  // The backup is named by the row of the low 8 bits, where status and heartbeat tags keep their
  // PLC; whether there is one at all is asked of the row itself.
  const int backup = state.plcs[master & 0xFF].backupPlc;
  if (state.plcs[master].backupPlc == 0) return kResultDone;

  PlcEntry& masterRow = state.plcs[master];
  PlcEntry& backupRow = state.plcs[backup];
  if (Failing(masterRow)) {
    if (backupRow.linkState == kLinkFailed) return kResultUnreachable;
    if (masterRow.active != 0)
      ZAN_LOG("ZanDOR: PLC %d Changed to Backup PLC %d now !!!", master, backup);
    masterRow.active = 0;
    backupRow.active = 1;
    item.plc = backup;
    return kResultDone;
  }
  if (masterRow.active == 0) ZAN_LOG("ZanDOR: PLC %d Changed from Backup to Master !!!", master);
  masterRow.active = 1;
  backupRow.active = 0;
  return kResultDone;
}

int32_t SelectActivePlc(ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr)
    return kResultRefused;
  auto& item = *static_cast<TagItem*>(request->argument);
  if (item.plc < 0 || item.plc >= kPlcCount) return kResultRefused;
  return SelectActivePlc(*request->state, item);
}

}  // namespace zan

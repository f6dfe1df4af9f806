#include "core/driver_state.h"
#include "read/switchover.h"
#include "write/write_commands.h"
#include "write/writers.h"

namespace zan {
namespace {

bool IsPlcRow(int32_t plc) {
  return plc >= 0 && plc < kPlcCount;
}

}  // namespace

int32_t WriteBlock(ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr) {
    return kResultRefused;
  }
  DriverState& state = *request->state;
  TagItem& item = *static_cast<TagItem*>(request->argument);
  if (!IsPlcRow(item.plc)) return kResultRefused;

  // The pair as the tag names it, before the switchover may move the item to the backup.
  const int32_t master = item.plc;
  const int backup = state.plcs[master & 0xFF].backupPlc;

  if (SelectActivePlc(state, item) == kResultUnreachable) return kResultUnreachable;
  if (!IsPlcRow(item.plc)) return kResultRefused;

  const int32_t result = WriteTagValues(state, item);
  PlcEntry& written = state.plcs[item.plc];
  written.linkState = static_cast<uint8_t>(result);
  if (result != kResultUnreachable) return result;
  if (written.backupPlc == 0) return kResultUnreachable;
  // The next request moves to the other member unless it has failed too.
  const bool bothFailed =
      state.plcs[master].linkState == kLinkFailed && state.plcs[backup].linkState == kLinkFailed;
  return bothFailed ? kResultUnreachable : kResultRefused;
}

}  // namespace zan

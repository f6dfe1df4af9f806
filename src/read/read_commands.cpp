#include "read/read_commands.h"

#include "address/tag_address.h"
#include "core/byte_order.h"
#include "core/driver_state.h"
#include "read/readers.h"
#include "read/switchover.h"
#include "read/switchover_tags.h"
#include "read/transfer_values.h"

namespace zan {
namespace {

bool IsPlcRow(int32_t number) {
  return number >= 0 && number < kPlcCount;
}

// The checks that keep every later step inside the host's records and the driver's tables.
bool Readable(const DriverState& state, const TagItem& item) {
  if (!IsPlcRow(item.plc)) return false;
  const ValueLayout layout = LayoutOfKind(item.kind);
  if (layout == ValueLayout::kNone) return true;  // refused by the dispatch, as any such kind
  if (item.valueBuffer == nullptr) return false;
  if (layout == ValueLayout::kStatus) return IsPlcRow(item.address);
  if (item.addressText == nullptr) return false;
  if (layout == ValueLayout::kString || layout == ValueLayout::kCharacters)
    return StringTagLength(state, item.addressText) != 0;
  return CountFits(layout, item.count);
}

int32_t Dispatch(DriverState& state, TagItem& item, CacheUse cacheUse) {
  switch (LayoutOfKind(item.kind)) {
    case ValueLayout::kNone:
      return kResultRefused;
    case ValueLayout::kStatus:
      return ReadStatusTag(state, item);
    case ValueLayout::kMasterHeartbeat:
      return ReadMasterHeartbeat(state, item);
    case ValueLayout::kBackupHeartbeat:
      return ReadBackupHeartbeat(state, item);
    default:
      return ReadTagAs(state, item, item.kind, cacheUse);
  }
}

int32_t ReadValues(ZanRequest* request, CacheUse cacheUse) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr)
    return kResultRefused;
  DriverState& state = *request->state;
  auto& item = *static_cast<TagItem*>(request->argument);
  if (!Readable(state, item)) return kResultRefused;

  const int32_t master = item.plc;
  const int partner = state.plcs[master & 0xFF].backupPlc;
  if (SelectActivePlc(state, item) == kResultUnreachable) return kResultUnreachable;

  // The backup's heartbeat of a PLC without backup reads nothing and records nothing.
  if (LayoutOfKind(item.kind) == ValueLayout::kBackupHeartbeat &&
      state.plcs[item.plc & 0xFF].backupPlc == 0)
    return kResultRefused;

  const int32_t result = Dispatch(state, item, cacheUse);
  // Status and heartbeat tags record theirs in rows from 256 on, which no address names.
  PlcEntry& read = state.plcs[item.plc];
  read.linkState = static_cast<uint8_t>(result);
  if (result != kResultUnreachable) return result;
  if (read.backupPlc == 0) return kResultUnreachable;
  // One member of a pair failed: the next request goes to the other unless it has failed too.
  const bool bothFailed =
      state.plcs[master].linkState == kLinkFailed && state.plcs[partner].linkState == kLinkFailed;
  return bothFailed ? kResultUnreachable : kResultRefused;
}

int32_t ReadSingleValue(ZanRequest* request, CacheUse cacheUse) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr)
    return kResultRefused;
  auto& item = *static_cast<TagItem*>(request->argument);
  item.count = 1;
  auto* const cell = static_cast<uint8_t*>(item.valueBuffer);
  if (cell == nullptr) return kResultRefused;

  const bool integer = IsIntegerKind(item.kind);
  uint8_t* const value = integer ? cell + 2 : cell;
  item.valueBuffer = value;
  const int32_t result = ReadValues(request, cacheUse);
  item.valueBuffer = cell;

  if (item.bit != kBitWholeValue) {
    const uint16_t word = LoadLittle16(value);
    const uint16_t bit = item.bit < 16 ? static_cast<uint16_t>((word >> item.bit) & 1u) : 0;
    StoreLittle16(value, bit);
  }
  return result;
}

}  // namespace

int32_t ReadBlock(ZanRequest* request) {
  return ReadValues(request, CacheUse::kServe);
}

int32_t ReadValue(ZanRequest* request) {
  return ReadSingleValue(request, CacheUse::kServe);
}

int32_t ReadValueFromPlc(ZanRequest* request) {
  return ReadSingleValue(request, CacheUse::kBypass);
}

}  // namespace zan

#include "address/tag_address.h"

namespace zan {
namespace {

// Longest runs that the host may read as one request, in values.
constexpr int32_t kRunMax = 1000;
constexpr int32_t kThirtyTwoBitRunMax = 500;

bool ReadsOneValueOnly(int32_t kind) {
  // Heartbeats drive the switchover, strings take their length from the text, and a cache
  // block's value carries no PLC data.
  return kind == kKindMasterHeartbeat || kind == kKindBackupHeartbeat || kind == kKindString ||
         kind == kKindCharacters || kind == kKindCacheBlock;
}

}  // namespace

int32_t CheckArrayTag(ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr)
    return kResultRefused;
  auto& definition = *static_cast<TagDefinition*>(request->argument);
  if (ParseTagDefinition(*request->state, definition, ParseMode::kCheckOnly) != kResultDone)
    return kResultRefused;

  const int32_t kind = definition.kind;
  const int32_t count = definition.count;
  if (ReadsOneValueOnly(kind)) return kResultRefused;
  // The half-aligned double word falls under the general limit only.
  if ((IsFloatKind(kind) || kind == kKindDoubleWord) && count > kThirtyTwoBitRunMax)
    return kResultRefused;
  if (count > kRunMax) return kResultRefused;
  return kResultDone;
}

}  // namespace zan

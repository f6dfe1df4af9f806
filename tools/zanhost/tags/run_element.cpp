#include "tags/run_element.h"

#include "core/driver_state.h"
#include "read/transfer_values.h"

namespace zanhost {

namespace {

constexpr uint32_t kOffsetMask = 0xFFFF;

// The step of the offset from one value of a run to the next.
uint32_t OffsetStep(int32_t kind, int32_t plcType) {
  const bool s7 = plcType == 0 || plcType == kPlcTypeS7;
  return zan::LayoutOfKind(kind) == zan::ValueLayout::kIoWord && !s7 ? 2 : 1;
}

}  // namespace

bool IsRun(int32_t kind, int32_t count) {
  return count > 1 && zan::TakesCount(zan::LayoutOfKind(kind));
}

bool ElementAddress(int32_t kind, int32_t plcType, int32_t address, int32_t count, int32_t index,
                    int32_t& element, std::string& reason) {
  if (!IsRun(kind, count)) {
    reason = "the tag is no run of values: it takes no value number";
    return false;
  }
  if (index < 0 || index >= count) {
    reason = "the tag has " + std::to_string(count) + " values, 0 to " + std::to_string(count - 1) +
             "; there is no value " + std::to_string(index);
    return false;
  }
  const uint32_t bits = static_cast<uint32_t>(address);
  const uint32_t offset =
      (bits & kOffsetMask) + OffsetStep(kind, plcType) * static_cast<uint32_t>(index);
  if (offset > kOffsetMask) {
    reason = "value " + std::to_string(index) +
             " of the tag lies beyond the offsets that an address can name";
    return false;
  }
  element = static_cast<int32_t>((bits & ~kOffsetMask) | offset);
  return true;
}

}  // namespace zanhost

#include "tags/run_element.h"

#include <cctype>
#include <cstdio>

#include "core/driver_state.h"
#include "read/transfer_values.h"

namespace zanhost {

namespace {

constexpr uint32_t kOffsetMask = 0xFFFF;
// The address text's fields (the driver's parser): the area letter, the offset of a data-block
// address (one further right with LONG_DB) and the byte address of an input, output or flag, each
// four digits wide.
constexpr std::size_t kAreaPosition = 2;
constexpr std::size_t kDataBlockOffsetPosition = 7;
constexpr std::size_t kIoOffsetPosition = 4;
constexpr std::size_t kOffsetWidth = 4;
constexpr uint32_t kLargestDecimalOffset = 9999;

uint8_t TypeOf(const RunTag& run) {
  return static_cast<uint8_t>(run.plcType == 0 ? kPlcTypeS7 : run.plcType);
}

// The step of the offset from one value of a run to the next.
uint32_t OffsetStep(const RunTag& run) {
  return zan::LayoutOfKind(run.kind) == zan::ValueLayout::kIoWord && TypeOf(run) != kPlcTypeS7 ? 2
                                                                                               : 1;
}

// The unit of a transfer record's start: data words of a data block on a PLC that is not an S7,
// bytes everywhere else.
const char* StartUnit(const RunTag& run, const TransferRecord& record) {
  return TypeOf(run) != kPlcTypeS7 && record.area == zan::kAreaDataBlock ? "data word" : "byte";
}

// The run's text with the offset field written anew for a value that starts at `start` (record
// units, which are those of the text's offset field in every form that takes a count).
std::string TextAt(const RunTag& run, uint32_t start) {
  std::string text = run.text;
  if (text.size() <= kAreaPosition) return text;
  const char area =
      static_cast<char>(std::toupper(static_cast<unsigned char>(text[kAreaPosition])));
  char digits[16];
  if (area == 'D' || area == 'X') {
    const std::size_t at = kDataBlockOffsetPosition + (run.longDb ? 1 : 0);
    if (text.size() < at + kOffsetWidth) return text;
    // Four decimal digits name bytes up to 9999; the hexadecimal form of area X names them all.
    const bool hexadecimal = area == 'X' || start > kLargestDecimalOffset;
    if (hexadecimal && area == 'D') text[kAreaPosition] = text[kAreaPosition] == 'd' ? 'x' : 'X';
    std::snprintf(digits, sizeof digits, hexadecimal ? "%04X" : "%04u", start);
    return text.replace(at, kOffsetWidth, digits);
  }
  // Inputs, outputs and flags: a byte address of up to four digits, a bit number behind them. An
  // address beyond them has no text the parser takes; it is written in full all the same.
  std::snprintf(digits, sizeof digits, "%04u", start);
  const std::size_t end = text.size() < kIoOffsetPosition + kOffsetWidth
                              ? text.size()
                              : kIoOffsetPosition + kOffsetWidth;
  return text.replace(kIoOffsetPosition, end - kIoOffsetPosition, digits);
}

}  // namespace

bool IsRun(int32_t kind, int32_t count) {
  return count > 1 && zan::TakesCount(zan::LayoutOfKind(kind));
}

bool ElementOfRun(const RunTag& run, int32_t index, RunElement& element, std::string& reason) {
  if (!IsRun(run.kind, run.count)) {
    reason = "the tag is no run of values: it takes no value number";
    return false;
  }
  if (index < 0 || index >= run.count) {
    reason = "the tag has " + std::to_string(run.count) + " values, 0 to " +
             std::to_string(run.count - 1) + "; there is no value " + std::to_string(index);
    return false;
  }
  const uint32_t bits = static_cast<uint32_t>(run.address);
  const uint32_t offset = (bits & kOffsetMask) + OffsetStep(run) * static_cast<uint32_t>(index);
  if (offset > kOffsetMask) {
    reason = "value " + std::to_string(index) +
             " of the tag lies beyond the offsets that an address can name";
    return false;
  }
  element.address = static_cast<int32_t>((bits & ~kOffsetMask) | offset);
  // The driver's own plans of the run and of the value alone: the value must start exactly i
  // values behind the run's start, which a start beyond 16 bits would wrap to the block's front.
  zan::TransferPlan whole;
  zan::TransferPlan one;
  if (!zan::PlanTransfer(run.kind, TypeOf(run), run.address, run.count, 0, &whole) ||
      !zan::PlanTransfer(run.kind, TypeOf(run), element.address, 1, 0, &one)) {
    reason = "the driver plans no transfer of the tag's values";
    return false;
  }
  const uint32_t start = whole.record.start + static_cast<uint32_t>(index) * one.record.length;
  if (start > kOffsetMask || start != one.record.start || one.record.area != whole.record.area ||
      one.record.dbNumber != whole.record.dbNumber) {
    const char* unit = StartUnit(run, whole.record);
    reason = "value " + std::to_string(index) + " of the tag would start at " + unit + " " +
             std::to_string(start) + ", beyond " + unit + " " + std::to_string(kOffsetMask) +
             ", the last that a transfer can start at";
    return false;
  }
  element.text = TextAt(run, start);
  return true;
}

}  // namespace zanhost

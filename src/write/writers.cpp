#include "write/writers.h"

#include <span>

#include "address/tag_address.h"
#include "transport/transport_operations.h"
#include "write/string_encoding.h"
#include "write/value_encoding.h"
#include "write/write_to_plc.h"

namespace zan {
namespace {

constexpr uint16_t kAreaDataBlock = 1;
constexpr uint16_t kAreaFlags = 2;
constexpr uint16_t kAreaInputs = 3;
constexpr uint16_t kAreaOutputs = 4;

// What one writer works on: the item, the PLC's row and layout, and where its data goes.
struct WriteJob {
  DriverState& state;
  TagItem& item;
  const PlcEntry& plc;
  PlcLayout layout;

  const uint8_t* values() const { return static_cast<const uint8_t*>(item.valueBuffer); }
  std::span<uint8_t> buffer() const { return std::span<uint8_t>(state.transferBuffer); }
  uint16_t offset() const { return static_cast<uint16_t>(item.address); }
  uint16_t dataBlock() const { return static_cast<uint16_t>(item.address >> 16); }
  bool s7() const { return layout == PlcLayout::kS7; }
};

// True when `count` values of `bytesPerValue` bytes are at least one value and fit into
// transferBuffer.
bool CountFits(int32_t count, int bytesPerValue) {
  return count >= 1 && int64_t{count} * bytesPerValue <= kTransferBufferBytes;
}

int32_t Send(const WriteJob& job, uint16_t area, uint16_t dataBlock, int start, int length) {
  TransferRecord record{0, area, dataBlock, static_cast<uint16_t>(start),
                        static_cast<uint16_t>(length)};
  return WriteToPlc(job.state, job.item, record);
}

int32_t WriteDataBlockBytes(const WriteJob& job) {
  const int32_t n = job.item.count;
  if (!CountFits(n, 1)) return kResultRefused;
  PlaceBytes(job.values(), n, job.buffer());
  return Send(job, kAreaDataBlock, job.dataBlock(), job.offset(), n);
}

int32_t WriteDataBlockWords(const WriteJob& job, bool oddByte) {
  const int32_t n = job.item.count;
  if (!CountFits(n, 2)) return kResultRefused;
  PlaceWords(job.values(), n, job.layout, job.buffer());
  if (job.s7()) {
    return Send(job, kAreaDataBlock, job.dataBlock(), 2 * job.offset() + (oddByte ? 1 : 0), 2 * n);
  }
  return Send(job, kAreaDataBlock, job.dataBlock(), job.offset(), n);
}

// Double words and floats: aligned at 4 x off (S7) or 2 x off (S5), or half aligned two bytes (one
// word) further on.
int32_t Write32BitValues(const WriteJob& job, bool halfAligned, bool floats) {
  const int32_t n = job.item.count;
  if (!CountFits(n, 4)) return kResultRefused;
  if (floats) {
    PlaceFloats(job.values(), n, job.layout, job.buffer());
  } else {
    PlaceDoubleWords(job.values(), n, job.layout, job.buffer());
  }
  const int shift = halfAligned ? 1 : 0;
  if (job.s7()) {
    return Send(job, kAreaDataBlock, job.dataBlock(), 4 * job.offset() + 2 * shift, 4 * n);
  }
  return Send(job, kAreaDataBlock, job.dataBlock(), 2 * job.offset() + shift, 2 * n);
}

int32_t WriteString(const WriteJob& job, bool withHeader) {
  const int32_t length = StringTagLength(job.state, job.item.addressText);
  const StringTransfer transfer =
      withHeader ? EncodeStringWithHeader(static_cast<const char*>(job.item.valueBuffer), length,
                                          job.plc.type, job.buffer())
                 : EncodeCharacters(job.values(), length, job.plc.type, job.buffer());
  // No string length in the address, or nothing that the transfer could carry.
  if (transfer.length == 0) return kResultRefused;
  return Send(job, kAreaDataBlock, job.dataBlock(), job.offset(), transfer.length);
}

int32_t WriteInputsOutputsFlags(const WriteJob& job, uint16_t area) {
  const bool words = ((job.item.kind >> 8) & 0xFF) == 'W';
  const int32_t n = job.item.count;
  if (!CountFits(n, words ? 2 : 1)) return kResultRefused;
  if (!words) {
    PlaceBytes(job.values(), n, job.buffer());
    return Send(job, area, 0, job.offset(), n);
  }
  PlaceWords(job.values(), n, PlcLayout::kS7, job.buffer());
  if (job.s7()) return Send(job, area, 0, 2 * job.offset(), 2 * n);
  return Send(job, area, 0, job.offset(), n);
}

}  // namespace

int32_t WriteTagValues(DriverState& state, TagItem& item) {
  if (item.valueBuffer == nullptr) return kResultRefused;
  const PlcEntry& plc = state.plcs[item.plc];
  const WriteJob job{state, item, plc, LayoutOf(plc.type)};
  switch (item.kind & 0xFF) {
    case kKindWord:
      return WriteDataBlockWords(job, false);
    case kKindWordOddByte:
      return WriteDataBlockWords(job, true);
    case kKindByte:
      return WriteDataBlockBytes(job);
    case kKindDoubleWord:
      return Write32BitValues(job, false, false);
    case kKindDoubleWordHalf:
      return Write32BitValues(job, true, false);
    case kKindFloat:
      return Write32BitValues(job, false, true);
    case kKindFloatHalf:
      return Write32BitValues(job, true, true);
    case kKindString:
      return WriteString(job, true);
    case kKindCharacters:
      return WriteString(job, false);
    case 'I':
      return WriteInputsOutputsFlags(job, kAreaInputs);
    case 'Q':
      return WriteInputsOutputsFlags(job, kAreaOutputs);
    case 'M':
      return WriteInputsOutputsFlags(job, kAreaFlags);
    default:
      // Cache-block, status and heartbeat tags are read-only; other kinds have no writer.
      return kResultRefused;
  }
}

}  // namespace zan

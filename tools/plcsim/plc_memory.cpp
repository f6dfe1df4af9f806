#include "plc_memory.h"

#include <string>

namespace plcsim {
namespace {

// Counters and timers hold a word each.
constexpr uint32_t kCounterBytes = 2;

}  // namespace

PlcMemory::PlcMemory(const PlcConfig& config)
    : flags_(config.flagsSize),
      inputs_(config.inputsSize),
      outputs_(config.outputsSize),
      counters_(std::size_t{config.counters} * kCounterBytes),
      timers_(std::size_t{config.timers} * kCounterBytes) {
  for (const DataBlockConfig& block : config.dataBlocks) {
    dataBlocks_[block.number].assign(block.size, 0);
  }
  for (const DataBlockConfig& block : config.extendedDataBlocks) {
    extendedDataBlocks_[block.number].assign(block.size, 0);
  }
}

Access PlcMemory::Locate(Area area, uint16_t dataBlock, uint32_t offset, uint32_t length,
                         uint8_t** bytes) {
  std::vector<uint8_t>* region = nullptr;
  switch (area) {
    case Area::kDataBlock:
    case Area::kExtendedDataBlock: {
      auto& blocks = area == Area::kDataBlock ? dataBlocks_ : extendedDataBlocks_;
      auto found = blocks.find(dataBlock);
      if (found == blocks.end()) return Access::kNoSuchArea;
      region = &found->second;
      break;
    }
    case Area::kFlags:
      region = &flags_;
      break;
    case Area::kInputs:
      region = &inputs_;
      break;
    case Area::kOutputs:
      region = &outputs_;
      break;
    case Area::kCounters:
      region = &counters_;
      break;
    case Area::kTimers:
      region = &timers_;
      break;
  }
  if (region->empty()) return Access::kAbsent;
  // Compared as 64-bit sums: offset and length come from the network.
  if (uint64_t{offset} + length > region->size()) return Access::kOutOfRange;
  *bytes = region->data() + offset;
  return Access::kDone;
}

std::string AreaName(Area area, uint16_t dataBlock) {
  switch (area) {
    case Area::kDataBlock:
      return "db" + std::to_string(dataBlock);
    case Area::kExtendedDataBlock:
      return "dx" + std::to_string(dataBlock);
    case Area::kFlags:
      return "m";
    case Area::kInputs:
      return "i";
    case Area::kOutputs:
      return "q";
    case Area::kCounters:
      return "c";
    case Area::kTimers:
      return "t";
  }
  return "?";
}

}  // namespace plcsim

#include "plc_memory.h"

namespace plcsim {

PlcMemory::PlcMemory(const PlcConfig& config)
    : flags_(config.flagsSize), inputs_(config.inputsSize), outputs_(config.outputsSize) {
  for (const DataBlockConfig& block : config.dataBlocks) {
    dataBlocks_[block.number].assign(block.size, 0);
  }
}

Access PlcMemory::Locate(Area area, uint16_t dataBlock, uint32_t offset, uint32_t length,
                         uint8_t** bytes) {
  std::vector<uint8_t>* region = nullptr;
  switch (area) {
    case Area::kDataBlock: {
      auto found = dataBlocks_.find(dataBlock);
      if (found == dataBlocks_.end()) return Access::kNoSuchArea;
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
  }
  // Compared as 64-bit sums: offset and length come from the network.
  if (uint64_t{offset} + length > region->size()) return Access::kOutOfRange;
  *bytes = region->data() + offset;
  return Access::kDone;
}

}  // namespace plcsim

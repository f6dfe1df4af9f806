// The memory of one PLC: data blocks of configured sizes, flags, inputs and outputs, each a run of
// bytes in PLC order. Every access is checked against the size of its area.
#ifndef ZAN_PLCSIM_PLC_MEMORY_H_
#define ZAN_PLCSIM_PLC_MEMORY_H_

#include <cstdint>
#include <map>
#include <vector>

#include "plc_config.h"

namespace plcsim {

enum class Area { kDataBlock, kFlags, kInputs, kOutputs };

enum class Access {
  kDone,
  kNoSuchArea,  // a data block that does not exist
  kOutOfRange,  // the bytes run past the end of the area
};

class PlcMemory {
 public:
  explicit PlcMemory(const PlcConfig& config);

  // Where `length` bytes at `offset` of an area stand; `dataBlock` counts for kDataBlock only.
  // On kDone `*bytes` points to them (valid until the memory goes).
  Access Locate(Area area, uint16_t dataBlock, uint32_t offset, uint32_t length, uint8_t** bytes);

 private:
  std::map<uint16_t, std::vector<uint8_t>> dataBlocks_;
  std::vector<uint8_t> flags_;
  std::vector<uint8_t> inputs_;
  std::vector<uint8_t> outputs_;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_MEMORY_H_

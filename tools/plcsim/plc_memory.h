// The memory of one PLC: data blocks of configured sizes, flags, inputs, outputs, counters and
// timers (2 bytes each) and, on an S5, extended data blocks; each a run of bytes in PLC order.
// Every access is checked against the size of its area.
#ifndef ZAN_PLCSIM_PLC_MEMORY_H_
#define ZAN_PLCSIM_PLC_MEMORY_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "plc_config.h"

namespace plcsim {

enum class Area { kDataBlock, kFlags, kInputs, kOutputs, kCounters, kTimers, kExtendedDataBlock };

enum class Access {
  kDone,
  kNoSuchArea,  // a data block that does not exist
  kOutOfRange,  // the bytes run past the end of the area
  kAbsent,      // an area of size 0: the PLC does not have it
};

class PlcMemory {
 public:
  explicit PlcMemory(const PlcConfig& config);

  // Where `length` bytes at `offset` of an area stand; `dataBlock` counts for the data-block areas
  // only. On kDone `*bytes` points to them (valid until the memory goes).
  Access Locate(Area area, uint16_t dataBlock, uint32_t offset, uint32_t length, uint8_t** bytes);

 private:
  std::map<uint16_t, std::vector<uint8_t>> dataBlocks_;
  std::map<uint16_t, std::vector<uint8_t>> extendedDataBlocks_;
  std::vector<uint8_t> flags_;
  std::vector<uint8_t> inputs_;
  std::vector<uint8_t> outputs_;
  std::vector<uint8_t> counters_;
  std::vector<uint8_t> timers_;
};

// "db10", "m", "i", "q", "c", "t", "dx10": the area as the control commands and log lines name it.
std::string AreaName(Area area, uint16_t dataBlock);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_MEMORY_H_

// What one simulated PLC is: its loopback address, its personality and the memory it holds. Filled
// by the PLC line parser (plc_line.h) and never changed while the simulator runs.
#ifndef ZAN_PLCSIM_PLC_CONFIG_H_
#define ZAN_PLCSIM_PLC_CONFIG_H_

#include <cstdint>
#include <string>
#include <vector>

namespace plcsim {

enum class Personality { kS7, kS5 };

// 127.0.0.0: PLC number N listens on 127.0.0.0 + N (1 = 127.0.0.1, 256 = 127.0.1.0).
constexpr uint32_t kLoopbackNetwork = 0x7F000000;
constexpr uint32_t kLoopbackMask = 0xFF000000;
constexpr uint32_t kMaxPlcNumber = 0x00FFFFFE;

// Sizes: an S7 data block of up to 65536 bytes (its byte address has 16 bits), flags, inputs and
// outputs of up to 65536 bytes, up to 65536 counters and timers (numbered by 16 bits, 2 bytes
// each); PDU sizes from 64 (room for a read answer) to 4096.
constexpr uint32_t kMaxAreaSize = 65536;
constexpr uint32_t kMaxCounters = 65536;
constexpr uint32_t kDefaultCounters = 256;
constexpr uint16_t kMinPduSize = 64;
constexpr uint16_t kMaxPduSize = 4096;
constexpr uint16_t kDefaultPduSize = 480;
constexpr uint32_t kDefaultAreaSize = 1024;
constexpr uint32_t kDefaultConnections = 32;
constexpr uint32_t kMaxConnections = 256;
// S5 data blocks are numbered by one byte.
constexpr uint16_t kMaxS5DataBlock = 255;

// Who the PLC says it is when a tool asks for its identification: the module (type) name, the
// order number and the serial number. Each is printable text without ':' and ','.
constexpr std::size_t kMaxModuleName = 24;
constexpr std::size_t kMaxOrderNumber = 20;
constexpr std::size_t kMaxSerialNumber = 24;
struct CpuIdentity {
  std::string moduleName = "ZANPLCSIM S7 CPU";
  std::string orderNumber = "ZAN 000-0SIM0-0AA0";
  std::string serialNumber;  // empty: "ZS-" and the PLC number in 8 digits
};

struct DataBlockConfig {
  uint16_t number = 0;
  uint32_t size = 0;  // bytes
};

// The heartbeat word: a data-block word that counts up by one, wrapping at 65535.
struct HeartbeatConfig {
  enum class Beat {
    kRequest,  // before each read or write request that the PLC serves
    kCommand,  // only on the control command "heartbeat N step"
    kPeriod,   // every `periodMilliseconds` (for demos; tests use the other two)
  };
  bool enabled = false;
  uint16_t dataBlock = 0;
  uint32_t offset = 0;  // byte offset of the word in the data block
  Beat beat = Beat::kRequest;
  uint32_t periodMilliseconds = 0;
};

struct PlcConfig {
  uint32_t number = 0;   // 1 to kMaxPlcNumber
  uint32_t address = 0;  // kLoopbackNetwork + number, host order
  Personality personality = Personality::kS7;
  // S7: the called TSAP must be `xx <rack * 32 + slot>`; the PDU granted is at most `pduSize`.
  uint8_t rack = 0;
  uint8_t slot = 2;
  uint16_t pduSize = kDefaultPduSize;
  // S5: the called TSAPs that select the fetch and the write connection (trailing blanks and
  // zero bytes do not count).
  std::string fetchTsap = "KORREAD";
  std::string writeTsap = "KORWRITE";
  std::vector<DataBlockConfig> dataBlocks;
  std::vector<DataBlockConfig> extendedDataBlocks;  // S5 only
  uint32_t flagsSize = kDefaultAreaSize;
  uint32_t inputsSize = kDefaultAreaSize;
  uint32_t outputsSize = kDefaultAreaSize;
  uint32_t counters = kDefaultCounters;        // 2 bytes each
  uint32_t timers = kDefaultCounters;          // 2 bytes each
  CpuIdentity identity;                        // S7 only
  uint32_t connections = kDefaultConnections;  // most connections open at once
  HeartbeatConfig heartbeat;
};

// "127.0.0.5" for kLoopbackNetwork + 5.
std::string AddressText(uint32_t address);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_CONFIG_H_

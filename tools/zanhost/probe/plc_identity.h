// Who a PLC says it is, from the system status lists it answers with read SZL: the module
// identification (0x0011: the order number), the component identification (0x001C: the module
// name and the serial number) and the CPU's last change of operating state (0x0424: RUN or STOP).
//
//   0x0011 record   IX IX <order number, 20 characters> TT TT V1 V1 V2 V2        index 0001: the
//   module 0x001C record   IX IX <text, 32 bytes padded with zero bytes>              index 0002:
//   module name,
//                                                                              0005: serial number
//   0x0424 record   EV EV AE BZ ...                    BZ low nibble: 8 RUN, 4 STOP
#ifndef ZAN_TOOLS_ZANHOST_PROBE_PLC_IDENTITY_H_
#define ZAN_TOOLS_ZANHOST_PROBE_PLC_IDENTITY_H_

#include <string>

#include "probe/plc_frames.h"

namespace zanhost {

constexpr uint16_t kSzlModuleIdentification = 0x0011;
constexpr uint16_t kSzlComponentIdentification = 0x001C;
constexpr uint16_t kSzlCpuState = 0x0424;

struct PlcIdentity {
  std::string orderNumber;
  std::string moduleName;
  std::string serialNumber;
  std::string cpuState;  // "RUN", "STOP", or "mode 0xN"
};

// Takes what `list` tells into `identity` (a list of another ID, or records too short, add
// nothing).
void TakeIdentity(const SzlList& list, PlcIdentity& identity);

// A text field of a record: `size` bytes from `at` (as many as the record has), up to a zero byte,
// without trailing blanks; a byte that is no printable character shows as '?'.
std::string RecordText(const Bytes& record, std::size_t at, std::size_t size);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PROBE_PLC_IDENTITY_H_

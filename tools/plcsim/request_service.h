// Serving requests against a PLC: the S7 read and write var jobs (s7_var_service.cpp), the S7
// user-data requests that identify the PLC (identification.cpp) and the S5 fetch and write
// telegrams (s5_service.cpp), each answered as a PLC would. Every request is counted on the PLC.
// Under the "error" fault a read or write is refused with the fault's code and memory is left as
// it is.
#ifndef ZAN_PLCSIM_REQUEST_SERVICE_H_
#define ZAN_PLCSIM_REQUEST_SERVICE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plc.h"
#include "s5_codec.h"
#include "s7_codec.h"

namespace plcsim {

// What became of a request, for the log.
struct ServeReport {
  // Set by the caller: fill `summary` too (it costs text on every request).
  bool describe = false;
  // The request and its outcome, such as "read db10 byte 0 length 2: done".
  std::string summary;
  // One line for every item refused, and for a request refused as a whole, with the reason, such
  // as "item 2 of 3: read db99 byte 0 length 2: refused with 0x0A, db99 does not exist".
  std::vector<std::string> refusals;
};

// Appends the PDU that answers `request` (read var, write var, user data, or a function the
// simulator does not serve; never setup communication), a PDU of `requestSize` bytes on a
// connection granted `pduSize`. A request longer than that is refused as a whole.
void ServeS7Request(Plc& plc, const S7Request& request, std::size_t requestSize, uint16_t pduSize,
                    std::vector<uint8_t>& answer, ServeReport* report);

// Appends the user-data response to `request` (kind kUserData).
void ServeS7UserData(Plc& plc, const S7Request& request, uint16_t pduSize,
                     std::vector<uint8_t>& answer, ServeReport* report);

// Appends the answer telegram to a fetch or write request.
void ServeS5Request(Plc& plc, const S5Request& request, std::vector<uint8_t>& answer,
                    ServeReport* report);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_REQUEST_SERVICE_H_

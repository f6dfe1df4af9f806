// Serving read and write requests against a PLC's memory: the S7 read and write var item and the
// S5 fetch and write telegram, answered as a PLC would. Under the "error" fault a request is
// refused with the fault's code and memory is left as it is.
#ifndef ZAN_PLCSIM_REQUEST_SERVICE_H_
#define ZAN_PLCSIM_REQUEST_SERVICE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plc.h"
#include "s5_codec.h"
#include "s7_codec.h"

namespace plcsim {

// Appends the ack-data PDU that answers `request` (read var, write var, or a function the
// simulator does not serve), for a connection that was granted `pduSize`. Unless null,
// `description` receives the request and its outcome for the log, such as
// "read db10 byte 0 length 2: done".
void ServeS7Request(Plc& plc, const S7Request& request, uint16_t pduSize,
                    std::vector<uint8_t>& answer, std::string* description);

// Appends the answer telegram to a fetch or write request.
void ServeS5Request(Plc& plc, const S5Request& request, std::vector<uint8_t>& answer,
                    std::string* description);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_REQUEST_SERVICE_H_

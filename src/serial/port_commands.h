// The serial port commands of the command table: ClosePort (12), OpenPort (13) and ConfigurePort
// (15). They keep the instance's port in the header of DriverState: its name, line settings and
// handle (0 = none); `lineFlags` selects the modem lines and is only read. No other command uses
// the port. Nothing is logged: every failure is the result 2. A request without its state (or, for
// ConfigurePort, its argument) is refused with 1 and touches nothing.
#ifndef ZAN_SERIAL_PORT_COMMANDS_H_
#define ZAN_SERIAL_PORT_COMMANDS_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

// Command 12. 0 when no port is open (nothing is called) or the port was closed and its handle
// cleared; 2 when the platform refuses to close it, which keeps the handle for another try.
// channelActive is left as it is.
int32_t ClosePort(ZanRequest* request);

// Command 13: opens the stored port with the stored line settings and lineFlags. On success
// records the handle, sets channelActive to 1 and returns 0; a handle recorded before is closed
// once the new one is in place. 2 when the open fails or the stored name is not terminated within
// its field; nothing changes then. The read time-out stays as the open sets it (1000 ms).
int32_t OpenPort(ZanRequest* request);

// Command 15, with PortSettings: stores a time-out other than 0 in DriverState::timeout; closes the
// open port first when the name differs from the stored one; stores the name, and the line
// settings when baudRate is not 0; then opens the port as OpenPort does and sets its read time-out
// to timeout x 10 ms. 0 when the port was opened; 2 when it could not be opened (what was stored
// stays stored) or when the name does not fit its field (11 characters and a terminator), which
// is refused before anything is stored or closed.
int32_t ConfigurePort(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_SERIAL_PORT_COMMANDS_H_

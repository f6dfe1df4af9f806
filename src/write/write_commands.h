// The write commands of the host: command 7 (WriteValue) writes one value of a tag, command 10
// (WriteBlock) `count` consecutive values from the tag's address. Both take a request whose
// argument is the tag's TagItem.
//
// Results: 0 written; 1 refused (the PLC or the transport answered with an error, the kind cannot
// be written, the request is malformed, or one member of a master/backup pair failed while the
// other has not); 2 the PLC cannot be reached.
//
// Not thread-safe: the host sends one request at a time.
#ifndef ZAN_WRITE_WRITE_COMMANDS_H_
#define ZAN_WRITE_WRITE_COMMANDS_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

// Command 10. Lets the switchover choose the PLC (which may replace the item's `plc` by the
// backup's number, and leaves it so), runs the writer of the tag's kind on it and stores the result
// in that PLC's linkState. A result of 2 is reported as 1 while the other member of the tag's
// master/backup pair has not failed. A request without state or item, or whose `plc` is not a row
// of the PLC table, is refused with 1 and changes nothing.
int32_t WriteBlock(ZanRequest* request);

// Command 7. One value: the 16-bit word 2 bytes into `valueBuffer` for the word, byte and
// input/output/flag kinds, the value at its first byte for the others; `count` becomes 1. A tag
// with a bit number writes that bit alone: it reads the word (ReadValue), changes the bit to bit 0
// of the host's word and writes the word back. The host's word, `valueBuffer` and `bit` are as the
// host gave them when the command returns. Cache-block tags are refused with 1, nothing sent; a
// failed read of a bit write returns the read's result and writes nothing.
int32_t WriteValue(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_WRITE_WRITE_COMMANDS_H_

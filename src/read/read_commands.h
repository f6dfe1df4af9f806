// The read commands of the host: command 6, ReadBlock (count consecutive values of a tag), and
// command 5, ReadValue (one value, reduced to its bit for a bit tag). Both take a TagItem.
//
// Results: 0 = the values are in the value buffer; 1 = refused or no data for this tag; 2 = the PLC
// cannot be reached (for a master/backup pair: only when both members have failed).
//
// Before anything is touched, a request is refused with 1 when it has no state or no TagItem, when
// the item's `plc` names no row of the PLC table (0..511), when a kind that has a reader lacks its
// value buffer, or its address text (every kind but the status tag), when a string tag's text
// carries no string length, when a status tag monitors a PLC number outside 0..511, or when `count`
// of a counted kind is below 1 or its values would not fit the 10000 bytes of transferBuffer. Not
// thread-safe: the host sends one request at a time.
#ifndef ZAN_READ_READ_COMMANDS_H_
#define ZAN_READ_READ_COMMANDS_H_

#include <cstdint>

#include "core/host_interface.h"

namespace zan {

// Command 6. Lets the switchover choose the PLC (the item's `plc` keeps the backup's number after a
// switch), reads with the reader of the item's kind (the low byte of `kind`), stores the result in
// linkState of the PLC read, and returns it, except that a result of 2 of one member of a
// master/backup pair is reported as 1 while the other member's linkState is not 2.
int32_t ReadBlock(ZanRequest* request);

// Command 5. Sets `count` to 1 (it stays 1) and reads with ReadBlock; the single value of an
// integer kind (IsIntegerKind) goes 2 bytes into the value buffer, where the host keeps its 16-bit
// cell, the others to its first byte. For a bit tag (`bit` not 255) the 16-bit word at the value's
// start is then reduced to its bit `bit` (0 or 1; bits above 15 read as 0), whatever the read's
// result. Returns ReadBlock's result; `valueBuffer` is as the host gave it.
int32_t ReadValue(ZanRequest* request);

// ReadValue as a bit write needs it: the same steps, but no cache block answers; the word comes
// from the PLC, since a block may be a poll cycle old and its bits would be written back.
int32_t ReadValueFromPlc(ZanRequest* request);

}  // namespace zan

#endif  // ZAN_READ_READ_COMMANDS_H_

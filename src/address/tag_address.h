// Tag addresses: the host defines each tag by an address text (01DW0100020: PLC 1, data block 10,
// word at byte 20), which commands 3 and 4 turn into the five TagAddress fields of the
// TagDefinition (plc, kind, address, bit, width) or refuse with exactly one log line. The host
// keeps the fields and hands them back with every read and write.
//
// Nothing here is thread-safe: the host sends one request at a time.
#ifndef ZAN_ADDRESS_TAG_ADDRESS_H_
#define ZAN_ADDRESS_TAG_ADDRESS_H_

#include <cstdint>

#include "core/driver_state.h"
#include "core/host_interface.h"

namespace zan {

// `kind`: what the address designates and in which unit `address` holds its offset. The readers
// and writers dispatch on the low byte.
constexpr int32_t kKindWord = 0;           // S5 data word number; S7 even byte address / 2
constexpr int32_t kKindWordOddByte = 1;    // S7 word at byte 2 x offset + 1
constexpr int32_t kKindByte = 0x42;        // 'B', data block byte (S7 only)
constexpr int32_t kKindDoubleWord = 0x44;  // 'D', S7 byte / 4; S5 even word / 2
constexpr int32_t kKindDoubleWordHalf =
    0x64;                                  // 'd', S7 byte 4 x offset + 2; S5 word 2 x offset + 1
constexpr int32_t kKindFloat = 0x46;       // 'F', as kKindDoubleWord
constexpr int32_t kKindFloatHalf = 0x66;   // 'f', as kKindDoubleWordHalf
constexpr int32_t kKindString = 0x53;      // 'S', string with its two-byte header
constexpr int32_t kKindCharacters = 0x43;  // 'C', characters without header
constexpr int32_t kKindCacheBlock = 0x54;  // 'T', first byte of a registered cache block
constexpr int32_t kKindStatus = 0x21;      // '!', `address` is the monitored PLC number
constexpr int32_t kKindMasterHeartbeat = 0x31;  // '1', S5 word number; S7 byte address / 2
constexpr int32_t kKindBackupHeartbeat = 0x32;  // '2', as kKindMasterHeartbeat

// The two odd positions of an S7 float, which only FLOAT_ODD_ADDRESS admits. The offset is the
// byte address shifted right by 2, as for 'F' and 'f'; the value starts at the byte the text
// names: 4 x offset + 1 for 'G', 4 x offset + 3 for 'g'. Never produced for other PLC types, and
// never without the option: every address that is valid without it keeps its kind.
constexpr int32_t kKindFloatOddByte = 0x47;      // 'G', S7 byte 4 x offset + 1
constexpr int32_t kKindFloatOddByteHalf = 0x67;  // 'g', S7 byte 4 x offset + 3

// Inputs, outputs and flags: type letter ('B' or 'W') x 256 + area letter ('I', 'Q' or 'M').
constexpr int32_t IoKind(char type, char area) {
  return (static_cast<int32_t>(type) << 8) | static_cast<int32_t>(area);
}
constexpr int32_t kKindInputByte = IoKind('B', 'I');   // 0x4249
constexpr int32_t kKindInputWord = IoKind('W', 'I');   // 0x5749
constexpr int32_t kKindOutputByte = IoKind('B', 'Q');  // 0x4251
constexpr int32_t kKindOutputWord = IoKind('W', 'Q');  // 0x5751
constexpr int32_t kKindFlagByte = IoKind('B', 'M');    // 0x424D
constexpr int32_t kKindFlagWord = IoKind('W', 'M');    // 0x574D

// The float kinds: 'F', 'f', 'G', 'g'.
constexpr bool IsFloatKind(int32_t kind) {
  return kind == kKindFloat || kind == kKindFloatHalf || kind == kKindFloatOddByte ||
         kind == kKindFloatOddByteHalf;
}

// The kinds whose single value the host keeps as a 16-bit word 2 bytes into its value cell: every
// kind except the floats, the double words and the strings. The whole kind value is compared.
constexpr bool IsIntegerKind(int32_t kind) {
  return !IsFloatKind(kind) && kind != kKindDoubleWord && kind != kKindDoubleWordHalf &&
         kind != kKindString && kind != kKindCharacters;
}

// `plc` of the status kind, and what the heartbeat kinds add to their PLC number; code that needs
// the PLC row of a tag takes the low 8 bits of `plc`.
constexpr int32_t kStatusPlc = 256;
constexpr int32_t kHeartbeatPlcOffset = 256;

// `bit` of a tag that is not of the host's bit type.
constexpr uint32_t kBitWholeValue = 255;

// `width`, in bits.
constexpr int32_t kWidth16 = 16;
constexpr int32_t kWidth32 = 32;

// `hostType` codes on which the parser has a rule.
constexpr int32_t kHostTypeFloat = 3;       // the only type of a float address
constexpr int32_t kHostTypeDoubleWord = 4;  // 4 and 5: the only types of a double-word address
constexpr int32_t kHostTypeDoubleWordAlt = 5;
constexpr int32_t kHostTypeBit = 6;     // the address must carry a bit number
constexpr int32_t kHostTypeString = 7;  // required by strings, refused for cache blocks

// Longest string of a string address.
constexpr int32_t kStringLengthMax = 80;

// What the parser takes of a PLC of each type (the address editor offers the same): data block
// numbers up to 999, 9999 with LONG_DB, and on an S5 (type 5) up to 255; data block bytes only on
// an S7 (a PLC of type 6 keeps the S5 rules for its values).
constexpr int32_t kS5DataBlockMax = 255;
constexpr int32_t kDataBlockNumberMax = 999;
constexpr int32_t kLongDataBlockNumberMax = 9999;
constexpr int32_t DataBlockNumberMax(uint8_t plcType, bool longDb) {
  return plcType == kPlcTypeS5 ? kS5DataBlockMax
                               : (longDb ? kLongDataBlockNumberMax : kDataBlockNumberMax);
}
constexpr bool TakesDataBlockBytes(uint8_t plcType) {
  return plcType == kPlcTypeS7;
}

enum class ParseMode {
  kFull,
  // For CheckArrayTag: skips the host data type, the bit number and the end of an input, output
  // or flag text, but does everything else, including the registration of a cache block.
  kCheckOnly,
};

// Command 3. Returns 0 when the address of the request's TagDefinition is accepted and its five
// TagAddress fields are filled; 1 when it is refused (one line logged, the fields possibly partly
// written), or when the request has no state or no argument (nothing logged). An accepted
// cache-block address claims or reuses the CacheBlock slot of its tagId.
int32_t ParseTagAddress(ZanRequest* request);

// Command 4. Returns 0 when the tag may be read as a run of `count` values, 1 when it may not or
// when its address is refused by a check-only parse.
int32_t CheckArrayTag(ZanRequest* request);

// The parse of commands 3 and 4, for callers that hold the records themselves (the address editor,
// benchmarks). `definition.addressText` may be null (refused).
int32_t ParseTagDefinition(DriverState& state, TagDefinition& definition, ParseMode mode);

// The string length written in the address text of a string tag (kinds 0x53 and 0x43), for the
// read and write sides. Returns 1 to 80, or 0 when the text carries no such length (a null or
// over-long text, a blank or out-of-range field): 0 is never the length of an accepted address.
int32_t StringTagLength(const DriverState& state, const char* addressText);

// The same for a read or write request: its state gives LONG_DB and its argument is a record that
// begins with the pointer to the address text. Returns 0 when either is missing.
int32_t StringTagLength(const ZanRequest* request);

}  // namespace zan

#endif  // ZAN_ADDRESS_TAG_ADDRESS_H_

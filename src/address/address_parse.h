// What the parts of the parser share during one parse: the records of the request, the working
// copy, the field positions that LONG_DB moves, the numeric fields, and the refusal log lines.
#ifndef ZAN_ADDRESS_ADDRESS_PARSE_H_
#define ZAN_ADDRESS_ADDRESS_PARSE_H_

#include <cstdint>

#include "address/address_text.h"
#include "core/driver_state.h"
#include "core/host_interface.h"
#include "core/host_services.h"

// Every parser line carries this prefix; the format must be a literal.
#define ZAN_ADDRESS_LOG(...) ZAN_LOG("ZANDOR> Address Parser: " __VA_ARGS__)

// Logs the refusal and yields the result of a refused address.
#define ZAN_ADDRESS_REFUSE(...) (ZAN_ADDRESS_LOG(__VA_ARGS__), ::kResultRefused)

namespace zan {

// Field widths, in characters.
constexpr int kPlcNumberWidth = 2;
constexpr int kBitNumberWidth = 2;
constexpr int kStringLengthWidth = 2;
constexpr int kOffsetWidth = 4;
constexpr int kCacheLengthWidth = 4;
constexpr int kByteAddressWidth = 4;

// Positions of the data block form without LONG_DB.
constexpr int kAreaPosition = 2;
constexpr int kTypePosition = 3;
constexpr int kDataBlockNumberPosition = 4;
constexpr int kOffsetPosition = 7;
constexpr int kTailPosition = 11;  // bit number, string length or cache length
// Positions of the input, output and flag form.
constexpr int kByteAddressPosition = 4;
constexpr int kIoBitPosition = 8;

struct AddressParse {
  DriverState& state;
  TagDefinition& definition;
  const AddressText& text;  // upper case

  bool longDb() const { return state.longDb != 0; }
  // The PLC row of the tag; heartbeat tags carry 256 + the PLC number.
  const PlcEntry& Plc() const { return state.plcs[definition.plc & 0xFF]; }
  bool OnS7() const { return Plc().type == kPlcTypeS7; }
  bool OnS5() const { return Plc().type == kPlcTypeS5; }
  // Every type but the S7 keeps the S5 rules for its values (type 6 too).
  bool KeepsS5Rules() const { return !OnS7(); }
  // Position of a field behind the data block number, one further right with LONG_DB.
  int Behind(int position) const { return position + (longDb() ? 1 : 0); }
  int DataBlockNumberWidth() const { return longDb() ? 4 : 3; }
  // A length of the data block form: one more with LONG_DB.
  int FormLength(int length) const { return Behind(length); }
};

// Read a number as a formatted scan with a field width does (%<width>d, %<width>X) at `position`
// of the copy: leading white space is skipped (past the field if need be, but never past the
// copy's terminator), then at most `width` characters are taken. Return false, leaving `value`
// alone, when no digit is found.
bool ReadDecimalField(const AddressText& text, int position, int width, int32_t* value);
bool ReadHexadecimalField(const AddressText& text, int position, int width, int32_t* value);

// The data block number of the data block form, from position 4.
int32_t ReadDataBlockNumber(const AddressParse& parse);

// Refuses a data block form whose length is not `required` (11 to 16).
int32_t RefuseFormLength(int required, int length);

}  // namespace zan

#endif  // ZAN_ADDRESS_ADDRESS_PARSE_H_

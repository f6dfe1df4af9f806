#include "address/data_block_address.h"

#include "address/tag_address.h"

namespace zan {
namespace {

constexpr int kPlainFormLength = 11;
constexpr int kBitFormLength = 13;
constexpr int kStringFormLength = 13;

int32_t Combine(int32_t dataBlock, int32_t offset) {
  // Both are at most four digits, so the data block number fits bits 16 to 31.
  return static_cast<int32_t>((static_cast<uint32_t>(dataBlock) << 16) |
                              (static_cast<uint32_t>(offset) & 0xFFFF));
}

// Types D and F. An S7 addresses bytes, and the two kinds of a double word tell a value at a
// multiple of 4 from one at 4n + 2; an S5 addresses words, and the kinds tell even from odd words.
// Returns false when the S7 offset is odd and may not be.
bool PlaceDoubleWord(const AddressParse& parse, bool oddAllowed, int32_t halfKind,
                     int32_t* offset) {
  TagDefinition& definition = parse.definition;
  if (parse.OnS7()) {
    if ((*offset & 1) != 0 && !oddAllowed) return false;
    // An odd float (FLOAT_ODD_ADDRESS) gets a kind of its own for 4n + 1 and 4n + 3: the offset
    // shifted right by 2 loses the lowest bit, which the kind keeps.
    const bool odd = (*offset & 1) != 0;
    if ((*offset & 2) != 0) {
      definition.kind = odd ? kKindFloatOddByteHalf : halfKind;
    } else if (odd) {
      definition.kind = kKindFloatOddByte;
    }
    *offset >>= 2;
  } else {
    if ((*offset & 1) != 0) definition.kind = halfKind;
    *offset >>= 1;
  }
  definition.width = kWidth32;
  return true;
}

}  // namespace

int32_t ParseDataBlockAddress(AddressParse& parse, bool hexadecimalOffset) {
  TagDefinition& definition = parse.definition;
  const int required =
      parse.FormLength(definition.hostType == kHostTypeBit ? kBitFormLength : kPlainFormLength);
  if (parse.text.length != required) return RefuseFormLength(required, parse.text.length);

  const int32_t dataBlock = ReadDataBlockNumber(parse);
  if (dataBlock > DataBlockNumberMax(parse.Plc().type, parse.longDb()))
    return ZAN_ADDRESS_REFUSE("Db Number out of limit for S5 PLCs");

  int32_t offset = 0;
  const int offsetPosition = parse.Behind(kOffsetPosition);
  if (hexadecimalOffset) {
    ReadHexadecimalField(parse.text, offsetPosition, kOffsetWidth, &offset);
  } else {
    ReadDecimalField(parse.text, offsetPosition, kOffsetWidth, &offset);
  }

  switch (parse.text.At(kTypePosition)) {
    case 'W':
      definition.kind = kKindWord;
      if (parse.OnS7()) {
        if ((offset & 1) != 0) definition.kind = kKindWordOddByte;
        offset >>= 1;
      }
      break;
    case '1':
    case '2':
      if (parse.OnS7()) offset >>= 1;
      definition.plc += kHeartbeatPlcOffset;
      break;
    case 'F':
      if (!PlaceDoubleWord(parse, parse.state.floatOddAddress != 0, kKindFloatHalf, &offset))
        return ZAN_ADDRESS_REFUSE("gate address must be even");
      break;
    case 'D':
      if (!PlaceDoubleWord(parse, false, kKindDoubleWordHalf, &offset))
        return ZAN_ADDRESS_REFUSE("gate address must be even");
      break;
    default:  // 'B': the byte address as written
      break;
  }
  definition.address = Combine(dataBlock, offset);
  return kResultDone;
}

int32_t ParseStringAddress(AddressParse& parse) {
  TagDefinition& definition = parse.definition;
  const int required = parse.FormLength(kStringFormLength);
  if (parse.text.length != required) return RefuseFormLength(required, parse.text.length);

  const int32_t dataBlock = ReadDataBlockNumber(parse);
  if (dataBlock > DataBlockNumberMax(parse.Plc().type, parse.longDb()))
    return ZAN_ADDRESS_REFUSE("Db Number out of limit for S5 PLCs");
  if (definition.hostType != kHostTypeString)
    return ZAN_ADDRESS_REFUSE("wrong tag type this address, should be string");
  const char type = parse.text.At(kTypePosition);
  if (type != 'B' && type != 'S')
    return ZAN_ADDRESS_REFUSE("tag type in address string not correct");

  int32_t offset = 0;
  ReadDecimalField(parse.text, parse.Behind(kOffsetPosition), kOffsetWidth, &offset);
  // A blank length field holds no number and is refused like a length out of range.
  int32_t length = 0;
  ReadDecimalField(parse.text, parse.Behind(kTailPosition), kStringLengthWidth, &length);
  if (length < 1 || length > kStringLengthMax)
    return ZAN_ADDRESS_REFUSE("wrong string length, should be from 1 to 80");

  definition.address = Combine(dataBlock, offset);
  definition.kind = type == 'B' ? kKindCharacters : kKindString;
  return kResultDone;
}

}  // namespace zan

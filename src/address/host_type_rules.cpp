#include "address/host_type_rules.h"

#include "address/tag_address.h"

namespace zan {
namespace {

constexpr uint32_t kWordBitMax = 15;
constexpr uint32_t kByteBitMax = 7;
// An input, output or flag text ends behind its byte address; LONG_DB tolerates one more
// character there, which is not read.
constexpr int kIoFormLength = 8;

int32_t ApplyBitRules(AddressParse& parse, bool dataBlock) {
  TagDefinition& definition = parse.definition;
  if (definition.kind == kKindMasterHeartbeat || definition.kind == kKindBackupHeartbeat)
    return ZAN_ADDRESS_REFUSE("Data type in address string does not match to Korvel type");

  // A blank field leaves `bit` at 255, which the limits below refuse.
  int32_t bit = 0;
  bool bitWritten = false;
  if (dataBlock) {
    bitWritten = ReadDecimalField(parse.text, parse.Behind(kTailPosition), kBitNumberWidth, &bit);
  } else {
    if (parse.text.length <= kIoFormLength)
      return ZAN_ADDRESS_REFUSE("Wrong length of gate address string");
    bitWritten = ReadDecimalField(parse.text, kIoBitPosition, kBitNumberWidth, &bit);
  }
  if (bitWritten) definition.bit = static_cast<uint32_t>(bit);

  const bool byte = dataBlock ? definition.kind == kKindByte : parse.text.At(kTypePosition) == 'B';
  if (definition.bit > kWordBitMax || (byte && definition.bit > kByteBitMax))
    return ZAN_ADDRESS_REFUSE("Bit number out of limit for this type");
  return kResultDone;
}

}  // namespace

int32_t ApplyHostTypeRules(AddressParse& parse, char area) {
  const TagDefinition& definition = parse.definition;
  const int32_t kind = definition.kind;
  const int32_t hostType = definition.hostType;
  if (IsFloatKind(kind) && hostType != kHostTypeFloat)
    return ZAN_ADDRESS_REFUSE("Data type in address string does not match to Korvel type");
  if ((kind == kKindDoubleWord || kind == kKindDoubleWordHalf) && hostType != kHostTypeDoubleWord &&
      hostType != kHostTypeDoubleWordAlt)
    return ZAN_ADDRESS_REFUSE("Data type in address string does not match to Korvel type");

  const bool dataBlock = area == 'D';
  if (hostType == kHostTypeBit) return ApplyBitRules(parse, dataBlock);

  const int ioFormLength = kIoFormLength + (parse.longDb() ? 1 : 0);
  if (!dataBlock && parse.text.length > ioFormLength)
    return ZAN_ADDRESS_REFUSE("wrong length of tag address string");
  return kResultDone;
}

}  // namespace zan

#include "address/io_address.h"

#include "address/tag_address.h"

namespace zan {

int32_t ParseIoAddress(AddressParse& parse) {
  TagDefinition& definition = parse.definition;
  int32_t byteAddress = 0;
  ReadDecimalField(parse.text, kByteAddressPosition, kByteAddressWidth, &byteAddress);

  const char type = parse.text.At(kTypePosition);
  definition.kind = IoKind(type, parse.text.At(kAreaPosition));
  if (type == 'W') {
    if ((byteAddress & 1) != 0) return ZAN_ADDRESS_REFUSE("gate address must be even");
    if (parse.OnS7()) byteAddress >>= 1;
  }
  definition.address = byteAddress;
  return kResultDone;
}

}  // namespace zan

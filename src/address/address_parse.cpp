#include "address/address_parse.h"

#include "core/text_scan.h"

namespace zan {
namespace {

bool InsideCopy(int position) {
  return position >= 0 && position <= kAddressTextMax;
}

}  // namespace

bool ReadDecimalField(const AddressText& text, int position, int width, int32_t* value) {
  if (!InsideCopy(position)) return false;
  const char* cursor = &text.characters[position];
  return ScanDecimal(cursor, width, value);
}

bool ReadHexadecimalField(const AddressText& text, int position, int width, int32_t* value) {
  if (!InsideCopy(position)) return false;
  const char* cursor = &text.characters[position];
  return ScanHexadecimal(cursor, width, value);
}

int32_t ReadDataBlockNumber(const AddressParse& parse) {
  // The template admits only digits there, and the form's length has been checked.
  int32_t number = 0;
  ReadDecimalField(parse.text, kDataBlockNumberPosition, parse.DataBlockNumberWidth(), &number);
  return number;
}

int32_t RefuseFormLength(int required, int length) {
  switch (required) {
    case 11:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 11 but is %d",
                                length);
    case 12:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 12 but is %d",
                                length);
    case 13:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 13 but is %d",
                                length);
    case 14:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 14 but is %d",
                                length);
    case 15:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 15 but is %d",
                                length);
    default:
      return ZAN_ADDRESS_REFUSE("wrong address string length for this type, should be 16 but is %d",
                                length);
  }
}

}  // namespace zan

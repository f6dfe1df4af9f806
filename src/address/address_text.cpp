#include "address/address_text.h"

#include <cstring>

namespace zan {

bool CopyAddressText(const char* text, AddressText* copy) {
  std::memset(copy, 0, sizeof *copy);
  // A bounded scan: one character past the limit tells a text that is too long.
  int length = 0;
  while (length <= kAddressTextMax && text[length] != '\0')
    ++length;
  if (length > kAddressTextMax) return false;
  std::memcpy(copy->characters, text, static_cast<std::size_t>(length));
  copy->length = length;
  return true;
}

void UpperCaseAddressText(AddressText* copy) {
  for (int i = 0; i < copy->length; ++i) {
    char& c = copy->characters[i];
    if (static_cast<signed char>(c) >= 0x61) c = static_cast<char>(c - 0x20);
  }
}

}  // namespace zan

#include "address/address_parse.h"
#include "address/tag_address.h"

namespace zan {

int32_t StringTagLength(const DriverState& state, const char* addressText) {
  if (addressText == nullptr) return 0;
  // The text as written: digits are the same in either case.
  AddressText text;
  if (!CopyAddressText(addressText, &text)) return 0;
  const int position = kTailPosition + (state.longDb != 0 ? 1 : 0);
  int32_t length = 0;
  if (!ReadDecimalField(text, position, kStringLengthWidth, &length)) return 0;
  // The read and write sides size their transfers by it; never hand them what the parser refuses.
  if (length < 1 || length > kStringLengthMax) return 0;
  return length;
}

int32_t StringTagLength(const ZanRequest* request) {
  if (request == nullptr || request->state == nullptr || request->argument == nullptr) return 0;
  // The item record begins with the pointer to its address text.
  const auto* addressText = *static_cast<const char* const*>(request->argument);
  return StringTagLength(*request->state, addressText);
}

}  // namespace zan

// The parser's working copy of an address text: at most 16 characters, zero-filled behind its end,
// so that every field read stays inside it whatever the host's text holds.
#ifndef ZAN_ADDRESS_ADDRESS_TEXT_H_
#define ZAN_ADDRESS_ADDRESS_TEXT_H_

namespace zan {

// No valid address is longer than this.
constexpr int kAddressTextMax = 16;

struct AddressText {
  char characters[kAddressTextMax + 1];  // always terminated; zero behind `length`
  int length;                            // 0 to kAddressTextMax

  // The character at `position`, or 0 at and behind the end.
  char At(int position) const {
    return position >= 0 && position < length ? characters[position] : '\0';
  }
};

// Copies `text` as written. Reads at most kAddressTextMax + 1 characters of it, so a text without a
// terminator nearby is never read further. Returns false (leaving `copy` empty) when the text is
// longer than kAddressTextMax. `text` must not be null.
bool CopyAddressText(const char* text, AddressText* copy);

// Lowers by 0x20 every character whose code, taken as a signed 8-bit number, is 0x61 or more: the
// letters of an address may be written in either case. Characters from 0x7B on move too, and none
// of them is admitted by a template afterwards.
void UpperCaseAddressText(AddressText* copy);

}  // namespace zan

#endif  // ZAN_ADDRESS_ADDRESS_TEXT_H_

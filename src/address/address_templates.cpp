#include "address/address_templates.h"

#include <cstring>

namespace zan {
namespace {

using Template = const char* const[kAddressTextMax];

constexpr const char* kDigits = "0123456789";
constexpr const char* kHexDigits = "0123456789ABCDEF";
constexpr const char* kDigitOrSpace = "0123456789 ";
constexpr const char* kSpace = " ";

// One character set per position. LONG_DB moves the fields behind the data block number by one
// inside the same templates: position 7 is then the fourth digit of the data block number, and the
// fourth offset digit (position 11) can no longer be a hexadecimal letter.
// clang-format off
constexpr Template DataBlockTemplate = {
    kDigits, kDigits,                                  // PLC number
    "DSXT",                                            // area
    "BWDFS12",                                         // type
    kDigits, kDigits, kDigits,                         // data block number
    kHexDigits, kHexDigits, kHexDigits, kHexDigits,    // offset
    kDigitOrSpace, kDigitOrSpace, kDigitOrSpace,       // bit number, string or cache length
    kDigitOrSpace, kDigitOrSpace,
};

constexpr Template IoTemplate = {
    kDigits, kDigits,                                  // PLC number
    "IQM",                                             // area
    "BW",                                              // type
    kDigits, kDigits, kDigits, kDigits,                // byte address
    "01234567 ", kDigitOrSpace,                        // bit number
    kSpace, kSpace, kSpace, kSpace, kSpace, kSpace,
};

constexpr Template StatusTemplate = {
    "!",
    kDigits, kDigits,                                  // the monitored PLC number
    kSpace, kSpace, kSpace, kSpace, kSpace, kSpace, kSpace,
    kSpace, kSpace, kSpace, kSpace, kSpace, kSpace,
};
// clang-format on

bool Matches(const Template& characterSets, const AddressText& text) {
  for (int position = 0; position < text.length; ++position) {
    const char* set = characterSets[position];
    // The text holds no terminator before its end, so memchr never matches the set's own.
    if (std::memchr(set, text.characters[position], std::strlen(set)) == nullptr) return false;
  }
  return true;
}

}  // namespace

bool MatchesAddressTemplate(const AddressText& text) {
  return Matches(DataBlockTemplate, text) || Matches(IoTemplate, text) ||
         Matches(StatusTemplate, text);
}

}  // namespace zan

// The three character templates that an address text must fit before any field is read: the data
// block form (areas D, X, S, T), the input/output/flag form (I, Q, M) and the status form (!nn).
#ifndef ZAN_ADDRESS_ADDRESS_TEMPLATES_H_
#define ZAN_ADDRESS_ADDRESS_TEMPLATES_H_

#include "address/address_text.h"

namespace zan {

// True when the upper-case `text` fits one of the templates. Only the characters present are
// tested: a position at or behind the end always fits, so lengths must be checked afterwards.
bool MatchesAddressTemplate(const AddressText& text);

}  // namespace zan

#endif  // ZAN_ADDRESS_ADDRESS_TEMPLATES_H_

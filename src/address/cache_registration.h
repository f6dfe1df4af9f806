// Cache-block addresses (area T): the parse claims one of the 100 CacheBlock slots of the state for
// the tag, which the read side then fetches as a whole and serves covered reads from.
#ifndef ZAN_ADDRESS_CACHE_REGISTRATION_H_
#define ZAN_ADDRESS_CACHE_REGISTRATION_H_

#include <cstdint>

#include "address/address_parse.h"

namespace zan {

// Checks the form's exact length (15, 16 with LONG_DB), the host type (not a string), the PLC (an
// S7: every other type counts its data blocks in words, the cache in bytes), the block length (at
// most 1000 bytes) and the tag's identifier (not -1, which marks a free slot). Then claims the
// slot: the one that the tag's tagId already owns, else the first free one, and refuses when all
// 100 belong to other tags. A freshly claimed slot gets valid = kCacheNeverFetched; a reused one
// keeps its valid. Logs the registration, sets `kind` 0x54 and `address`. Returns 0 or 1.
int32_t RegisterCacheBlock(AddressParse& parse);

}  // namespace zan

#endif  // ZAN_ADDRESS_CACHE_REGISTRATION_H_

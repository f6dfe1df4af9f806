#include "address/cache_registration.h"

#include "address/tag_address.h"

namespace zan {
namespace {

constexpr int kCacheFormLength = 15;

// The slot that `tagId` owns, else the first free one; -1 when every slot belongs to another tag.
int ChooseSlot(const DriverState& state, int32_t tagId) {
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    if (state.cache[slot].tagId == tagId) return slot;
  }
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    if (state.cache[slot].tagId == kCacheSlotFree) return slot;
  }
  return -1;
}

}  // namespace

int32_t RegisterCacheBlock(AddressParse& parse) {
  TagDefinition& definition = parse.definition;
  const int required = parse.FormLength(kCacheFormLength);
  if (parse.text.length != required) return RefuseFormLength(required, parse.text.length);
  if (definition.hostType == kHostTypeString)
    return ZAN_ADDRESS_REFUSE("cache tag must not be type string");

  const int32_t dataBlock = ReadDataBlockNumber(parse);
  // Only an S7 counts data block reads in bytes, the unit of a cache block; an S5, and a PLC of
  // type 6 that follows the S5 rules, would fill the block with words.
  if (!parse.OnS7()) return ZAN_ADDRESS_REFUSE("Cache Blocks not supported for S5 PLCs");

  int32_t start = 0;
  ReadDecimalField(parse.text, parse.Behind(kOffsetPosition), kOffsetWidth, &start);
  // A blank length field holds no number; it is refused as length 0 rather than registering a
  // block of whatever length the slot held.
  int32_t length = 0;
  const bool lengthWritten =
      ReadDecimalField(parse.text, parse.Behind(kTailPosition), kCacheLengthWidth, &length);
  const int32_t length16 = length & 0xFFFF;
  if (!lengthWritten || length16 > kCacheBlockBytes)
    return ZAN_ADDRESS_REFUSE("Cache length %d not supported", length16);

  // -1 marks a free slot: a tag of that identifier would claim a slot and leave it free for the
  // next tag to take over.
  if (definition.tagId == kCacheSlotFree)
    return ZAN_ADDRESS_REFUSE("cache tag id %d is not allowed", definition.tagId);

  const int slot = ChooseSlot(parse.state, definition.tagId);
  if (slot < 0) return ZAN_ADDRESS_REFUSE("Max. number of cache tags expired");

  CacheBlock& block = parse.state.cache[slot];
  const auto plcNumber = static_cast<uint16_t>(definition.plc);
  const auto dbNumber = static_cast<uint16_t>(dataBlock);
  const auto first = static_cast<uint16_t>(start);
  const auto bytes = static_cast<uint16_t>(length16);
  // A slot's data belongs to the block it was fetched for. A new tag, or a tag that now names
  // another block, has nothing fetched yet; the same block parsed again keeps what it holds.
  const bool sameBlock = block.tagId == definition.tagId && block.plcNumber == plcNumber &&
                         block.dbNumber == dbNumber && block.start == first &&
                         block.length == bytes;
  if (!sameBlock) block.valid = kCacheNeverFetched;
  block.tagId = definition.tagId;
  block.plcNumber = plcNumber;
  block.dbNumber = dbNumber;
  block.start = first;
  block.length = bytes;
  // The text is at most 16 characters long: the working copy could hold it.
  ZAN_ADDRESS_LOG("Tag %s added to cache tag array, position %d", definition.addressText, slot);

  definition.address =
      static_cast<int32_t>((static_cast<uint32_t>(dataBlock) << 16) | static_cast<uint32_t>(start));
  definition.kind = kKindCacheBlock;
  return kResultDone;
}

}  // namespace zan

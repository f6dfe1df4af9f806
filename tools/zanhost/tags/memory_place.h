// Where in a PLC's memory a parsed tag reads and writes, in words: "data block 10, bytes 20 to 21"
// on an S7, "data block 10, data word 21" on an S5. The TagAddress holds the offset in the unit of
// its kind (words, double words); the driver's own plan of the transfer (read/transfer_values.h)
// turns it back into the place the PLC program knows, so that what is shown is what the driver
// really transfers.
#ifndef ZAN_TOOLS_ZANHOST_TAGS_MEMORY_PLACE_H_
#define ZAN_TOOLS_ZANHOST_TAGS_MEMORY_PLACE_H_

#include <cstdint>
#include <string>

namespace zanhost {

struct PlacedTag {
  std::string text;  // the address text: strings and cache blocks carry their length in it
  int32_t kind = 0;
  int32_t address = 0;
  uint32_t bit = 255;
  // 7: an S7, data blocks in bytes. 5 (an S5) and 6: data blocks in data words; a PLC of type 6
  // is reached like an S7, which gives it data word n as its bytes 2n and 2n + 1.
  int32_t plcType = 7;
  bool longDb = false;  // LONG_DB: the length fields stand one position further right
  // Values read or written as one run (a run of bit tags reads as many words); the layouts without
  // a count (strings, cache blocks) take one.
  int32_t count = 1;

  bool s7() const { return plcType == 7; }
  // Reached over fetch and write (an S5), whose refusals are S5 error numbers; a PLC of type 6 is
  // reached like an S7 and refuses with S7 return codes.
  bool fetchWrite() const { return plcType == 5; }
};

// The place in words, the whole run of `count` values, or "" for a kind that names no PLC memory of
// its own.
std::string MemoryPlace(const PlacedTag& tag);

// The first and last byte of a data-block tag on an S7 (words on the other types, bytes in the
// other areas) that the driver transfers, for error lines; false for kinds without a fixed extent
// (status tags).
bool MemoryExtent(const PlacedTag& tag, int& first, int& last);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_MEMORY_PLACE_H_

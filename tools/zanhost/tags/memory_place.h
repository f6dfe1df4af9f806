// Where in a PLC's memory a parsed tag reads and writes, in words: "data block 10, bytes 20 to 21"
// on an S7, "data block 10, data word 21" on an S5. The TagAddress holds the offset in the unit of
// its kind (words, double words); this turns it back into the place the PLC program knows.
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
  bool s7 = true;       // PLC type 7; every other type addresses data blocks in words
  bool longDb = false;  // LONG_DB: the length fields stand one position further right
};

// The place in words, or "" for a kind that names no PLC memory of its own.
std::string MemoryPlace(const PlacedTag& tag);

// The first and last byte of a data-block tag on an S7 (words on an S5, bytes in the other areas),
// for error lines; false for kinds without a fixed extent (status tags).
bool MemoryExtent(const PlacedTag& tag, int& first, int& last);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_MEMORY_PLACE_H_

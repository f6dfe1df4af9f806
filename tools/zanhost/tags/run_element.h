// One value of a run as a tag of its own: the TagAddress whose transfer is exactly that value's
// place in PLC memory, so that a write of one element touches no byte of the others and needs no
// read of them first, and the address text that names that place as a tag of its own would.
//
// A run of n values reads n consecutive values from the run's first one; the offset in `address`
// (bits 15 to 0) counts in the unit of one value for every counted kind (words, bytes, double
// words and floats, aligned or not, on an S7 and on the other types alike: tags/memory_place.h), so
// element i is at offset + i. The one exception is a word of the inputs, outputs or flags on a PLC
// that is not an S7, whose offset is the even byte address itself: element i is at offset + 2i. The
// other fields of the TagAddress stay: a bit tag's element keeps its bit number (the run takes that
// bit from each of its words or bytes).
//
// The driver turns the offset into the 16-bit start of its transfer record (bytes, or data words of
// a data block on a PLC that is not an S7: read/transfer_values.h), and that start wraps: on an S7
// word i of a run from byte 0xFFFE would start at byte 0x10000, which is byte 0. An element is
// given only when the driver's own plan puts it exactly at the run's start plus i values, within
// those 16 bits.
#ifndef ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_
#define ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_

#include <cstdint>
#include <string>

namespace zanhost {

// A tag read as a run, as the driver parsed it.
struct RunTag {
  int32_t kind = 0;
  int32_t plcType = 7;  // 5, 6 or 7; 0 counts as an S7
  int32_t address = 0;
  int32_t count = 1;
  std::string text;     // its address text
  bool longDb = false;  // LONG_DB: the data block number has four digits
};

// One value of a run.
struct RunElement {
  int32_t address = 0;
  // The address text of that value alone, as the run's text with the offset of the value: the
  // first byte (data word on a PLC that is not an S7) of the value, in decimal, or in hexadecimal
  // for area X and for a data-block offset beyond the four decimal digits (area D becomes X); the
  // bit number stays. "01DW0100040" count 3, value 2: "01DW0100044".
  std::string text;
};

// Whether a tag of `kind` read `count` values at a time is a run: more than one value of a kind
// that is read value by value (no string, cache block or status tag).
bool IsRun(int32_t kind, int32_t count);

// Element `index` of the run. False, with the reason, when the tag is no run, the index is not one
// of its values, or the value would not start where the run puts it (beyond the 16 bits of an
// offset or of the transfer's start).
bool ElementOfRun(const RunTag& run, int32_t index, RunElement& element, std::string& reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_

// One value of a run as a tag of its own: the `address` field of the TagAddress whose transfer is
// exactly that value's place in PLC memory, so that a write of one element touches no byte of the
// others and needs no read of them first.
//
// A run of n values reads n consecutive values from the run's first one; the offset in `address`
// (bits 15 to 0) counts in the unit of one value for every counted kind (words, bytes, double
// words and floats, aligned or not, on an S7 and on the other types alike: tags/memory_place.h), so
// element i is at offset + i. The one exception is a word of the inputs, outputs or flags on a PLC
// that is not an S7, whose offset is the even byte address itself: element i is at offset + 2i. The
// other fields of the TagAddress stay: a bit tag's element keeps its bit number (the run takes that
// bit from each of its words or bytes).
#ifndef ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_
#define ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_

#include <cstdint>
#include <string>

namespace zanhost {

// Whether a tag of `kind` read `count` values at a time is a run: more than one value of a kind
// that is read value by value (no string, cache block or status tag).
bool IsRun(int32_t kind, int32_t count);

// The `address` of element `index` of the run of `count` values of `kind` at `address`, on a PLC
// of `plcType` (5, 6 or 7; 0 counts as an S7). False, with the reason, when the tag is no run, the
// index is not one of its values, or the element's offset would leave the 16 bits of an offset.
bool ElementAddress(int32_t kind, int32_t plcType, int32_t address, int32_t count, int32_t index,
                    int32_t& element, std::string& reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_TAGS_RUN_ELEMENT_H_

// Host values into PLC memory order: the placements of the writers, one function per kind of value.
//
// The host's values follow each other in its value buffer in the host's order (little-endian):
// 16-bit values for bytes and words, 32-bit values for double words and single-precision floats.
// Each function places `count` values at the start of `out` and returns the number of bytes placed.
// It places no more values than `out` holds and reads 2 or 4 host bytes per value placed; the
// caller has checked that the host's buffer holds `count` values.
//
// Two layouts: the S7 layout (a PLC of type 7) is PLC memory order, most significant byte first.
// The S5 layout (every other type) holds data-block words as the transport takes them, each 16-bit
// word little-endian, the word with the high-order half of a 32-bit value first.
#ifndef ZAN_WRITE_VALUE_ENCODING_H_
#define ZAN_WRITE_VALUE_ENCODING_H_

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/driver_state.h"

namespace zan {

enum class PlcLayout {
  kS7,  // PLC memory order
  kS5,  // data-block words little-endian, high-order word first
};

inline PlcLayout LayoutOf(uint8_t plcType) {
  return plcType == kPlcTypeS7 ? PlcLayout::kS7 : PlcLayout::kS5;
}

// Bytes (data block, inputs, outputs, flags): the low 8 bits of each 16-bit value, one byte each.
std::size_t PlaceBytes(const uint8_t* values, int count, std::span<uint8_t> out);

// Data-block words: S7 big-endian; S5 the word as it stands.
std::size_t PlaceWords(const uint8_t* values, int count, PlcLayout layout, std::span<uint8_t> out);

// 32-bit integers: S7 big-endian; S5 bits 31..16 as the first word, bits 15..0 as the second.
std::size_t PlaceDoubleWords(const uint8_t* values, int count, PlcLayout layout,
                             std::span<uint8_t> out);

// Single-precision floats: S7 the IEEE 754 bytes, sign and exponent first; S5 the S5 floating-point
// word of each value (EncodeS5Float), placed as a double word.
std::size_t PlaceFloats(const uint8_t* values, int count, PlcLayout layout, std::span<uint8_t> out);

}  // namespace zan

#endif  // ZAN_WRITE_VALUE_ENCODING_H_

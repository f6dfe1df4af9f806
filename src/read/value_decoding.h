// Turning the PLC data at the start of transferBuffer into the host's values.
//
// S7 layout (PLC type 7): PLC memory order, most significant byte first. S5 layout (every other
// type): data-block data are 16-bit words each in host order (low byte first); input, output and
// flag bytes stand in PLC order, so their words are big-endian on every type (transfer_values.h).
// Host values are little-endian 16-bit (bytes, words), 32-bit (double words) or IEEE single
// (floats) cells, one after the other; values are bit patterns, signed or not as the host reads
// them.
#ifndef ZAN_READ_VALUE_DECODING_H_
#define ZAN_READ_VALUE_DECODING_H_

#include <cstdint>

#include "read/transfer_values.h"

namespace zan {

// Places `count` values of a counted `layout` (TakesCount) from `data` into `values`. `data` holds
// count x ValueBytes(layout) bytes and `values` room for count 16-bit cells (bytes, words) or
// 32-bit cells (double words, floats).
void DecodeValues(ValueLayout layout, bool s7Layout, const uint8_t* data, int32_t count,
                  uint8_t* values);

// Exchanges the two bytes of each of the first `bytes` / 2 16-bit words of `data`: S5 characters
// back into PLC order.
void ExchangeBytePairs(uint8_t* data, int32_t bytes);

// Copies the zero-terminated text that starts at `data[first]` into `text`, ending at its own
// terminator or at `data[end]` at the latest, and always terminates it: `text` receives at most
// end - first + 1 bytes.
void CopyText(const uint8_t* data, int32_t first, int32_t end, uint8_t* text);

}  // namespace zan

#endif  // ZAN_READ_VALUE_DECODING_H_

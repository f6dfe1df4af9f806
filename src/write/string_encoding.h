// The two string forms of a PLC data block, from the host's text into PLC memory order.
//
// `length` is the string length of the tag's address (1 to 80). In the S7 layout the transfer
// carries `length` characters; in the S5 layout length / 2 data words of characters (rounded
// down). The S5 layout (types 5 and 6) holds each character pair in PLC order: its words are
// byte-exchanged, header included, so that the word exchange on the way to the PLC (the S5
// transport's, or the driver's for type 6) puts them back.
#ifndef ZAN_WRITE_STRING_ENCODING_H_
#define ZAN_WRITE_STRING_ENCODING_H_

#include <cstdint>
#include <span>

namespace zan {

// The length of a string's transfer, in the record's unit (bytes on an S7, words otherwise), and
// the bytes at the start of `out` that it carries. Both are 0 when `length` lies outside 1 to 80
// or `out` cannot hold the transfer: nothing is placed then.
struct StringTransfer {
  uint16_t length;
  uint16_t bytes;
};

// A string with its two-byte header: byte 0 the maximum length (length, or length / 2 in the S5
// layout), byte 1 the number of characters, then the characters and zeros up to the end of the
// transfer. The host's zero-terminated text is cut to `length` characters; no more of it is read.
// The transfer is the header and the maximum length: length + 2 bytes, or length / 2 + 2 words.
StringTransfer EncodeStringWithHeader(const char* text, int length, uint8_t plcType,
                                      std::span<uint8_t> out);

// Characters without header. S7: the host's `length` bytes as they stand. S5 layout: the host's
// text up to its terminating zero, at most the length / 2 words that the transfer carries, and
// zeros behind it.
StringTransfer EncodeCharacters(const uint8_t* characters, int length, uint8_t plcType,
                                std::span<uint8_t> out);

}  // namespace zan

#endif  // ZAN_WRITE_STRING_ENCODING_H_

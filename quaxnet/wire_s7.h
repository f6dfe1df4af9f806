// Byte layouts of S7 communication: the PDUs that travel as COTP messages on an S7 connection.
//
//   header:     32 RR 00 00 PP PP AA AA DD DD [EC ED]   RR 01 job, 02 ack, 03 ack-data; PPPP the
//               PDU reference; AAAA, DDDD parameter and data lengths; EC ED only in answers
//   setup:      F0 00 00 01 00 01 NN NN                 NNNN the PDU size asked / granted
//   read var:   04 01 12 0A 10 02 LL LL DB DB AR AD AD AD
//               answer data: RC TS BB BB <bytes>
//   write var:  05 01 12 0A 10 02 LL LL DB DB AR AD AD AD, data 00 04 BB BB <bytes>
//               answer data: RC
//
// Encoders return the number of bytes written, or 0 when `capacity` is too small. Decoders check
// every length before they read and tell a refusal by the PLC (a status for the driver) from an
// answer that does not fit the request (the connection can no longer be trusted).
#ifndef QUAXNET_WIRE_S7_H_
#define QUAXNET_WIRE_S7_H_

#include <cstddef>
#include <cstdint>

namespace quaxnet {

// The PDU size that setup communication asks for, and the most we accept: the message buffer of
// a connection is sized for it.
constexpr uint16_t kS7PduSizeAsked = 960;
// Around the data of one item: a read answer has 12 + 2 + 4 bytes, a write job 10 + 14 + 4.
constexpr std::size_t kS7ReadAnswerOverhead = 18;
constexpr std::size_t kS7WriteJobOverhead = 28;
// A granted size that leaves no room for a single byte of a write cannot be used.
constexpr uint16_t kS7MinPduSize = kS7WriteJobOverhead + 2;

// Item return code of success; any other value names the failure (0A no such object, 05 address
// out of range, 03 access denied...).
constexpr uint8_t kS7ItemSuccess = 0xFF;

// Area codes of the any-pointer.
constexpr uint8_t kS7AreaDataBlock = 0x84;
constexpr uint8_t kS7AreaFlags = 0x83;
constexpr uint8_t kS7AreaInputs = 0x81;
constexpr uint8_t kS7AreaOutputs = 0x82;

// One item: a run of bytes of an area.
struct S7Item {
  uint8_t area = 0;
  uint16_t dbNumber = 0;
  uint32_t byteAddress = 0;  // below 2^21: the any-pointer holds the bit address in 24 bits
  uint16_t length = 0;       // bytes
};

std::size_t EncodeSetupCommunication(uint8_t* out, std::size_t capacity, uint16_t reference);
std::size_t EncodeReadVar(uint8_t* out, std::size_t capacity, uint16_t reference,
                          const S7Item& item);
std::size_t EncodeWriteVar(uint8_t* out, std::size_t capacity, uint16_t reference,
                           const S7Item& item, const uint8_t* data);

enum class S7Outcome { kSuccess, kRefused, kMismatch };

struct S7Answer {
  S7Outcome outcome = S7Outcome::kMismatch;
  uint16_t status = 0;            // kRefused: error class << 8 | code, or the item return code
  uint16_t pduSize = 0;           // setup: the size granted, at most kS7PduSizeAsked
  const uint8_t* data = nullptr;  // read: the bytes of the item
};

// Decodes the answer to the setup communication sent with `reference`.
S7Answer DecodeSetupAnswer(const uint8_t* message, std::size_t size, uint16_t reference);

// Decodes the answer to a read var of `length` bytes sent with `reference`.
S7Answer DecodeReadAnswer(const uint8_t* message, std::size_t size, uint16_t reference,
                          uint16_t length);

// Decodes the answer to a write var sent with `reference`.
S7Answer DecodeWriteAnswer(const uint8_t* message, std::size_t size, uint16_t reference);

// The PDU reference of an answer (an ack or ack-data header whose lengths fit `size`); false for
// anything else.
bool AnswerReference(const uint8_t* message, std::size_t size, uint16_t* reference);

}  // namespace quaxnet

#endif  // QUAXNET_WIRE_S7_H_

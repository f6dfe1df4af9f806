// S7 communication as a PLC serves it: decoding a client's job PDU and encoding the ack-data PDU
// that answers it (docs/wire.md, S7). The simulator serves setup communication and read and
// write var with one item of any-pointer syntax in bytes; every other function is decoded far
// enough to answer it with an error.
//
//   job header       32 01 00 00 RR RR PP PP DD DD                 (10 bytes)
//   ack-data header  32 03 00 00 RR RR PP PP DD DD EC ED           (12 bytes)
//   setup            F0 00 <calling> <called> <PDU size>           (parameter of 8 bytes)
//   read var item    04 01 12 0A 10 TS LL LL DB DB AR AA AA AA     (parameter of 14 bytes)
//   write var data   00 TS BB BB <bytes>                           (data of 4 + n bytes)
#ifndef ZAN_PLCSIM_S7_CODEC_H_
#define ZAN_PLCSIM_S7_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plcsim {

constexpr uint8_t kS7ProtocolId = 0x32;
constexpr uint8_t kS7Job = 0x01;
constexpr uint8_t kS7AckData = 0x03;
constexpr std::size_t kS7JobHeaderSize = 10;
constexpr std::size_t kS7AckDataHeaderSize = 12;

constexpr uint8_t kS7SetupCommunication = 0xF0;
constexpr uint8_t kS7ReadVar = 0x04;
constexpr uint8_t kS7WriteVar = 0x05;

constexpr uint8_t kS7AreaDataBlock = 0x84;
constexpr uint8_t kS7AreaFlags = 0x83;
constexpr uint8_t kS7AreaInputs = 0x81;
constexpr uint8_t kS7AreaOutputs = 0x82;

// Transport size of an item: bytes. In the data of an answer or a write: length counted in bits
// (0x04) or in bytes (0x09).
constexpr uint8_t kS7TransportBytes = 0x02;
constexpr uint8_t kS7DataBits = 0x04;
constexpr uint8_t kS7DataOctets = 0x09;

// Item return codes (docs/wire.md, S7).
constexpr uint8_t kS7Success = 0xFF;
constexpr uint8_t kS7HardwareFault = 0x01;
constexpr uint8_t kS7AccessDenied = 0x03;
constexpr uint8_t kS7OutOfRange = 0x05;
constexpr uint8_t kS7TypeNotSupported = 0x06;
constexpr uint8_t kS7TypeInconsistent = 0x07;
constexpr uint8_t kS7ObjectDoesNotExist = 0x0A;

// Header errors of the simulator (class, code): a function it does not serve, and a read whose
// answer would not fit the granted PDU.
constexpr uint16_t kS7ErrorFunctionNotServed = 0x8104;
constexpr uint16_t kS7ErrorAnswerTooLong = 0x8500;

// Answer overhead: header, parameter (2) and item head (4) of a read; header, parameter (14) and
// data head (4) of a write (docs/wire.md, S7).
constexpr std::size_t kS7ReadAnswerOverhead = kS7AckDataHeaderSize + 2 + 4;
constexpr std::size_t kS7WriteJobOverhead = kS7JobHeaderSize + 14 + 4;

struct S7Item {
  uint8_t transportSize = 0;
  uint16_t count = 0;  // in units of the transport size
  uint16_t dataBlock = 0;
  uint8_t area = 0;
  uint32_t bitAddress = 0;  // byte address x 8 + bit
};

struct S7Request {
  enum class Kind { kSetup, kRead, kWrite, kOther };
  Kind kind = Kind::kOther;
  uint16_t reference = 0;
  uint8_t function = 0;
  // Setup communication.
  uint16_t callingJobs = 0;
  uint16_t calledJobs = 0;
  uint16_t pduSize = 0;
  // Read and write var.
  S7Item item;
  // Write var: the bytes to write.
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

// Decodes a job PDU of `size` bytes. False, with `why`, when it is malformed: not a job, lengths
// that disagree with the bytes present, not exactly one item of any-pointer syntax, write data
// whose length disagrees with itself.
bool DecodeS7Request(const uint8_t* pdu, std::size_t size, S7Request* request, std::string* why);

// Answers, each the whole S7 PDU appended to `out`.
void EncodeS7SetupAnswer(std::vector<uint8_t>& out, uint16_t reference, uint16_t callingJobs,
                         uint16_t calledJobs, uint16_t pduSize);
// A read answer: `returnCode` kS7Success with `size` bytes, or a failure code without data.
void EncodeS7ReadAnswer(std::vector<uint8_t>& out, uint16_t reference, uint8_t returnCode,
                        const uint8_t* data, std::size_t size);
void EncodeS7WriteAnswer(std::vector<uint8_t>& out, uint16_t reference, uint8_t returnCode);
// An answer that fails the whole job: header error class and code (high and low byte of `error`).
void EncodeS7HeaderError(std::vector<uint8_t>& out, uint16_t reference, uint8_t function,
                         uint16_t error);

// Offsets inside an encoded ack-data PDU, for answers spoiled on purpose.
constexpr std::size_t kS7ReferenceOffset = 4;
constexpr std::size_t kS7DataLengthOffset = 8;
constexpr std::size_t kS7ReadLengthOffset = kS7AckDataHeaderSize + 2 + 2;

}  // namespace plcsim

#endif  // ZAN_PLCSIM_S7_CODEC_H_

// S7 communication as a PLC serves it: decoding a client's PDU and encoding the PDU that answers it
// (docs/wire.md, S7). Served: setup communication, read and write var with any number of
// items, and the user-data requests of the CPU functions (read SZL); every other function is
// decoded far enough to answer it with an error.
//
//   job header        32 01 00 00 RR RR PP PP DD DD                 (10 bytes)
//   ack-data header   32 03 00 00 RR RR PP PP DD DD EC ED           (12 bytes)
//   user-data header  32 07 00 00 RR RR PP PP DD DD                 (10 bytes)
//   setup             F0 00 <calling> <called> <PDU size>           (parameter of 8 bytes)
//   read/write var    04|05 NN <NN items of 12 bytes>               (parameter of 2 + 12 NN)
//   item              12 0A 10 TS LL LL DB DB AR AA AA AA           any-pointer syntax
//   item data         RC TS BB BB <bytes> [fill]                   one per item, in the data part;
//                                                                  a fill byte after an odd
//                                                                  length, except after the last
//   user-data param   00 01 12 LL MM TG SF SQ [DR LD EE EE]        (request 4, response 8 after LL)
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
constexpr uint8_t kS7UserData = 0x07;
constexpr std::size_t kS7JobHeaderSize = 10;
constexpr std::size_t kS7AckDataHeaderSize = 12;
constexpr std::size_t kS7UserDataHeaderSize = 10;

constexpr uint8_t kS7SetupCommunication = 0xF0;
constexpr uint8_t kS7ReadVar = 0x04;
constexpr uint8_t kS7WriteVar = 0x05;

constexpr uint8_t kS7AreaPeripherals = 0x80;
constexpr uint8_t kS7AreaInputs = 0x81;
constexpr uint8_t kS7AreaOutputs = 0x82;
constexpr uint8_t kS7AreaFlags = 0x83;
constexpr uint8_t kS7AreaDataBlock = 0x84;
constexpr uint8_t kS7AreaCounters = 0x1C;
constexpr uint8_t kS7AreaTimers = 0x1D;

// Transport size of an item: the type of its elements.
constexpr uint8_t kS7TransportBit = 0x01;
constexpr uint8_t kS7TransportBytes = 0x02;
constexpr uint8_t kS7TransportChar = 0x03;
constexpr uint8_t kS7TransportWord = 0x04;
constexpr uint8_t kS7TransportInt = 0x05;
constexpr uint8_t kS7TransportDWord = 0x06;
constexpr uint8_t kS7TransportDInt = 0x07;
constexpr uint8_t kS7TransportReal = 0x08;
constexpr uint8_t kS7TransportCounter = 0x1C;
constexpr uint8_t kS7TransportTimer = 0x1D;

// Transport size of item data (an answer's, or a write's): with 0x03, 0x04 and 0x05 the length
// counts bits, with 0x06, 0x07 and 0x09 bytes.
constexpr uint8_t kS7DataNull = 0x00;
constexpr uint8_t kS7DataBit = 0x03;
constexpr uint8_t kS7DataBits = 0x04;  // byte, word, double word
constexpr uint8_t kS7DataInteger = 0x05;
constexpr uint8_t kS7DataDInteger = 0x06;
constexpr uint8_t kS7DataReal = 0x07;
constexpr uint8_t kS7DataOctets = 0x09;

// Item return codes (docs/wire.md, S7).
constexpr uint8_t kS7Success = 0xFF;
constexpr uint8_t kS7HardwareFault = 0x01;
constexpr uint8_t kS7AccessDenied = 0x03;
constexpr uint8_t kS7OutOfRange = 0x05;
constexpr uint8_t kS7TypeNotSupported = 0x06;
constexpr uint8_t kS7TypeInconsistent = 0x07;
constexpr uint8_t kS7ObjectDoesNotExist = 0x0A;

// Header errors (class, code): a function the simulator does not serve, and a job or its answer
// that does not fit the PDU granted.
constexpr uint16_t kS7ErrorFunctionNotServed = 0x8104;
constexpr uint16_t kS7ErrorAnswerTooLong = 0x8500;
// The header error of a setup communication refused on command: no resources available.
constexpr uint16_t kS7ErrorNoResources = 0x8304;

// User data: method, type (high nibble of the type/group byte), the CPU function group and its
// read-SZL subfunction; the error codes of a user-data response.
constexpr uint8_t kS7UserDataRequest = 0x11;
constexpr uint8_t kS7UserDataResponse = 0x12;
constexpr uint8_t kS7UserDataTypeRequest = 0x4;
constexpr uint8_t kS7UserDataTypeResponse = 0x8;
constexpr uint8_t kS7GroupCpuFunctions = 0x4;
constexpr uint8_t kS7ReadSzl = 0x01;
constexpr uint16_t kS7ErrorSzlUnavailable = 0xD401;

// Answer overhead: header, parameter (2) and item head (4) of a read; header, parameter (14) and
// data head (4) of a write of one item (docs/wire.md, S7).
constexpr std::size_t kS7ReadAnswerOverhead = kS7AckDataHeaderSize + 2 + 4;
constexpr std::size_t kS7WriteJobOverhead = kS7JobHeaderSize + 14 + 4;
// An item of read or write var: 12 bytes of parameter; the head of its data: 4 bytes.
constexpr std::size_t kS7ItemSize = 12;
constexpr std::size_t kS7ItemDataHeadSize = 4;
// User data: parameter of a response (12), head of its data (4).
constexpr std::size_t kS7UserDataAnswerOverhead = kS7UserDataHeaderSize + 12 + 4;

struct S7Item {
  // Any-pointer syntax (12 0A 10): the fields below hold. Otherwise the item uses an addressing
  // the simulator does not serve.
  bool anyPointer = false;
  uint8_t transportSize = 0;
  uint16_t count = 0;  // in elements of the transport size
  uint16_t dataBlock = 0;
  uint8_t area = 0;
  uint32_t address = 0;  // byte address x 8 + bit; the number itself for counters and timers
  // Write var: the item's data as sent, its transport size and length field.
  uint8_t dataTransportSize = 0;
  uint16_t dataLength = 0;
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

struct S7UserDataRequest {
  uint8_t method = 0;
  uint8_t type = 0;
  uint8_t group = 0;
  uint8_t subfunction = 0;
  uint8_t sequence = 0;
  uint8_t returnCode = 0;  // of the data part
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

struct S7Request {
  enum class Kind { kSetup, kRead, kWrite, kUserData, kOther };
  Kind kind = Kind::kOther;
  uint16_t reference = 0;
  uint8_t function = 0;
  // Setup communication.
  uint16_t callingJobs = 0;
  uint16_t calledJobs = 0;
  uint16_t pduSize = 0;
  // Read and write var.
  std::vector<S7Item> items;
  // User data.
  S7UserDataRequest userData;
};

// Decodes a job or user-data PDU of `size` bytes. False, with `why`, when it is malformed: another
// message type, lengths that disagree with the bytes present, no items or item specifications
// that overrun the parameter, write data whose length disagrees with itself or with the bytes
// present.
bool DecodeS7Request(const uint8_t* pdu, std::size_t size, S7Request* request, std::string* why);

// The byte count of item data with transport size `dataTransportSize` and length field `length`;
// false when the transport size counts in no unit the simulator knows.
bool S7DataByteCount(uint8_t dataTransportSize, uint16_t length, std::size_t* bytes);

// One item of a read answer: a return code; on success the data, its transport size and the
// length field in the unit of that size.
struct S7ReadResult {
  uint8_t returnCode = kS7ObjectDoesNotExist;
  uint8_t dataTransportSize = kS7DataNull;
  uint16_t length = 0;
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The bytes of a read answer that carries items of `sizes` bytes each.
std::size_t S7ReadAnswerSize(const std::vector<std::size_t>& sizes);

// Answers, each the whole S7 PDU appended to `out`.
void EncodeS7SetupAnswer(std::vector<uint8_t>& out, uint16_t reference, uint16_t callingJobs,
                         uint16_t calledJobs, uint16_t pduSize);
void EncodeS7ReadAnswer(std::vector<uint8_t>& out, uint16_t reference,
                        const std::vector<S7ReadResult>& items);
void EncodeS7WriteAnswer(std::vector<uint8_t>& out, uint16_t reference,
                         const std::vector<uint8_t>& returnCodes);
// An answer that fails the whole job: header error class and code (high and low byte of `error`).
void EncodeS7HeaderError(std::vector<uint8_t>& out, uint16_t reference, uint8_t function,
                         uint16_t error);
// A user-data response to `request`: with `error` 0 the data (an octet string) follows return
// code FF; otherwise the data part is the return code `returnCode` alone.
void EncodeS7UserDataAnswer(std::vector<uint8_t>& out, uint16_t reference,
                            const S7UserDataRequest& request, uint16_t error, uint8_t returnCode,
                            const uint8_t* data, std::size_t size);

// Offsets inside an encoded ack-data PDU, for answers spoiled on purpose.
constexpr std::size_t kS7ReferenceOffset = 4;
constexpr std::size_t kS7DataLengthOffset = 8;
constexpr std::size_t kS7ReadLengthOffset = kS7AckDataHeaderSize + 2 + 2;

}  // namespace plcsim

#endif  // ZAN_PLCSIM_S7_CODEC_H_

// Byte layouts of the S5 fetch/write service: the telegrams that travel as COTP messages on the
// two connections of an S5 communication processor. This layout follows the public descriptions
// of the service and cannot be checked against a dissector: keep every byte of it here.
//
//   request:  53 35 10 01 03 OP 03 08 AR DB ST ST LL LL FF 02 [data of a write]
//             OP 05 fetch, 03 write; AR 01 data block, 02 flags, 03 inputs, 04 outputs;
//             ST start and LL length: data words in a data block, bytes elsewhere
//   answer:   53 35 10 01 03 OP 0F 03 ER FF 07 00 00 00 00 00 [data of a fetch]
//             OP 06 fetch answer, 04 write answer; ER 00 done, any other value a refusal
#ifndef QUAXNET_WIRE_S5_H_
#define QUAXNET_WIRE_S5_H_

#include <cstddef>
#include <cstdint>

namespace quaxnet {

constexpr std::size_t kS5HeaderBytes = 16;
// A data block transfer names 1 to 2048 data words; we put at most 2048 bytes into one telegram,
// so that no telegram exceeds 16 + 2048 bytes.
constexpr std::size_t kS5MaxDataBytes = 2048;
constexpr std::size_t kS5MaxTelegramBytes = kS5HeaderBytes + kS5MaxDataBytes;

constexpr uint8_t kS5AreaDataBlock = 0x01;
constexpr uint8_t kS5AreaFlags = 0x02;
constexpr uint8_t kS5AreaInputs = 0x03;
constexpr uint8_t kS5AreaOutputs = 0x04;

enum class S5Operation { kFetch, kWrite };

struct S5Address {
  uint8_t area = 0;
  uint8_t dbNumber = 0;
  uint16_t start = 0;   // data word in a data block, byte elsewhere
  uint16_t length = 0;  // data words in a data block, bytes elsewhere
};

// A request telegram; `data`/`dataBytes` follow the header of a write and are empty for a fetch.
// Returns the bytes written, or 0 when `capacity` is too small.
std::size_t EncodeS5Request(uint8_t* out, std::size_t capacity, S5Operation operation,
                            const S5Address& address, const uint8_t* data, std::size_t dataBytes);

enum class S5Outcome { kSuccess, kRefused, kMismatch };

struct S5Answer {
  S5Outcome outcome = S5Outcome::kMismatch;
  uint16_t status = 0;            // kRefused: 0x100 + the error number
  const uint8_t* data = nullptr;  // fetch: the data bytes, in PLC order
};

// The status that names a refusal with S5 error number `error`.
constexpr uint16_t S5RefusalStatus(uint8_t error) {
  return static_cast<uint16_t>(0x100 + error);
}

// Decodes the answer to `operation`; a successful fetch answer must carry exactly `dataBytes`.
S5Answer DecodeS5Answer(const uint8_t* message, std::size_t size, S5Operation operation,
                        std::size_t dataBytes);

}  // namespace quaxnet

#endif  // QUAXNET_WIRE_S5_H_

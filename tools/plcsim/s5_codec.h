// The S5 fetch/write service as a PLC's communication processor serves it: decoding a request
// telegram and encoding the answer (docs/wire.md, S5 fetch and write; the layout is kept here
// alone, so a correction is one edit).
//
//   request  53 35 10 01 03 OP 03 08 AR DB SS SS LL LL FF 02 [write data]
//   answer   53 35 10 01 03 OP 0F 03 EE FF 07 00 00 00 00 00 [fetch data]
//
// OP: 05 fetch, 03 write; answered with 06 and 04. AR: 01 data block and 0A extended data block
// (start and length in data words), 02 flags, 03 inputs, 04 outputs, 05 peripherals (bytes),
// 06 counters and 07 timers (start and length in counters or timers, a word each). EE: 00 done,
// else the error number.
#ifndef ZAN_PLCSIM_S5_CODEC_H_
#define ZAN_PLCSIM_S5_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plcsim {

constexpr std::size_t kS5HeaderSize = 16;
constexpr uint8_t kS5Fetch = 0x05;
constexpr uint8_t kS5Write = 0x03;
constexpr uint8_t kS5FetchAnswer = 0x06;
constexpr uint8_t kS5WriteAnswer = 0x04;

constexpr uint8_t kS5AreaDataBlock = 0x01;
constexpr uint8_t kS5AreaFlags = 0x02;
constexpr uint8_t kS5AreaInputs = 0x03;
constexpr uint8_t kS5AreaOutputs = 0x04;
constexpr uint8_t kS5AreaPeripherals = 0x05;
constexpr uint8_t kS5AreaCounters = 0x06;
constexpr uint8_t kS5AreaTimers = 0x07;
constexpr uint8_t kS5AreaExtendedDataBlock = 0x0A;

// A data-block transfer moves 1 to 2048 data words (docs/wire.md, S5 fetch and write).
constexpr uint16_t kS5MaxDataWords = 2048;
// The largest telegram: a write of 2048 words.
constexpr std::size_t kS5MaxTelegram = kS5HeaderSize + 2 * kS5MaxDataWords;

// Error numbers of the service that the simulator answers with: an area type it does not know, an
// area or block that does not exist, a block or area too short for the transfer.
constexpr uint8_t kS5NoError = 0x00;
constexpr uint8_t kS5WrongAreaType = 0x01;
constexpr uint8_t kS5NoSuchBlock = 0x02;
constexpr uint8_t kS5BlockTooShort = 0x03;

// Offsets inside an encoded answer, for answers spoiled on purpose.
constexpr std::size_t kS5OpCodeOffset = 5;

struct S5Request {
  uint8_t opCode = 0;
  uint8_t area = 0;
  uint8_t dataBlock = 0;
  uint16_t start = 0;             // data word in a data block, byte elsewhere
  uint16_t length = 0;            // data words in a data block, bytes elsewhere
  const uint8_t* data = nullptr;  // a write's data
  std::size_t dataSize = 0;
};

// Whether `area` counts its start and length in words (data words, counters, timers).
bool S5AreaCountsWords(uint8_t area);

// Decodes a request telegram of `size` bytes. False, with `why`, when it is malformed: a fixed
// byte that is not as above, an op code other than fetch or write, a fetch with data, or a write
// whose data is not exactly `length` words or bytes.
bool DecodeS5Request(const uint8_t* telegram, std::size_t size, S5Request* request,
                     std::string* why);

// Appends an answer with op code `answerOpCode`, `error`, and `size` bytes of fetched data.
void EncodeS5Answer(std::vector<uint8_t>& out, uint8_t answerOpCode, uint8_t error,
                    const uint8_t* data, std::size_t size);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_S5_CODEC_H_

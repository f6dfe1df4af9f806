#include "quaxnet/wire_s5.h"

#include <cstring>

#include "core/byte_order.h"

namespace quaxnet {
namespace {

constexpr uint8_t kSystemId[] = {0x53, 0x35};  // "S5"
constexpr uint8_t kOpCodeBlock[] = {0x01, 0x03};
constexpr uint8_t kAddressBlock[] = {0x03, 0x08};
constexpr uint8_t kAcknowledgeBlock[] = {0x0F, 0x03};
constexpr uint8_t kEmptyBlock[] = {0xFF, 0x02};
constexpr uint8_t kOpFetch = 0x05;
constexpr uint8_t kOpWrite = 0x03;
constexpr uint8_t kOpFetchAnswer = 0x06;
constexpr uint8_t kOpWriteAnswer = 0x04;

void PutPrefix(uint8_t* out, uint8_t opCode) {
  out[0] = kSystemId[0];
  out[1] = kSystemId[1];
  out[2] = static_cast<uint8_t>(kS5HeaderBytes);
  out[3] = kOpCodeBlock[0];
  out[4] = kOpCodeBlock[1];
  out[5] = opCode;
}

}  // namespace

std::size_t EncodeS5Request(uint8_t* out, std::size_t capacity, S5Operation operation,
                            const S5Address& address, const uint8_t* data, std::size_t dataBytes) {
  const std::size_t total = kS5HeaderBytes + dataBytes;
  if (capacity < total) return 0;
  PutPrefix(out, operation == S5Operation::kFetch ? kOpFetch : kOpWrite);
  out[6] = kAddressBlock[0];
  out[7] = kAddressBlock[1];
  out[8] = address.area;
  out[9] = address.dbNumber;
  zan::StoreBig16(out + 10, address.start);
  zan::StoreBig16(out + 12, address.length);
  out[14] = kEmptyBlock[0];
  out[15] = kEmptyBlock[1];
  if (dataBytes != 0) std::memcpy(out + kS5HeaderBytes, data, dataBytes);
  return total;
}

S5Answer DecodeS5Answer(const uint8_t* message, std::size_t size, S5Operation operation,
                        std::size_t dataBytes) {
  S5Answer answer;
  if (size < kS5HeaderBytes) return answer;
  uint8_t expected[8];
  PutPrefix(expected, operation == S5Operation::kFetch ? kOpFetchAnswer : kOpWriteAnswer);
  expected[6] = kAcknowledgeBlock[0];
  expected[7] = kAcknowledgeBlock[1];
  // Bytes 9 to 15 carry nothing that the answer depends on; descriptions of them differ.
  if (std::memcmp(message, expected, sizeof expected) != 0) return answer;
  const uint8_t error = message[8];
  if (error != 0) {
    answer.outcome = S5Outcome::kRefused;
    answer.status = S5RefusalStatus(error);
    return answer;
  }
  const std::size_t carried = operation == S5Operation::kFetch ? dataBytes : 0;
  if (size != kS5HeaderBytes + carried) return answer;
  answer.outcome = S5Outcome::kSuccess;
  answer.data = message + kS5HeaderBytes;
  return answer;
}

}  // namespace quaxnet

#include "quaxnet/wire_s7.h"

#include <cstring>

#include "core/byte_order.h"

namespace quaxnet {
namespace {

constexpr uint8_t kProtocolId = 0x32;
constexpr uint8_t kJob = 0x01;
constexpr uint8_t kAck = 0x02;
constexpr uint8_t kAckData = 0x03;
constexpr std::size_t kJobHeaderBytes = 10;
constexpr std::size_t kAnswerHeaderBytes = 12;

constexpr uint8_t kFunctionSetup = 0xF0;
constexpr uint8_t kFunctionRead = 0x04;
constexpr uint8_t kFunctionWrite = 0x05;

constexpr std::size_t kSetupParameterBytes = 8;
constexpr std::size_t kItemParameterBytes = 14;  // function, count, one 12-byte item
constexpr std::size_t kItemDataHeaderBytes = 4;  // RC/reserved, TS, BBBB

// Transport sizes of answer data: the length counted in bits, or in bytes.
constexpr uint8_t kSizeInBits = 0x04;
constexpr uint8_t kSizeInBytes = 0x09;
constexpr uint8_t kTransportSizeByte = 0x02;  // what a request asks for

void PutJobHeader(uint8_t* out, uint16_t reference, std::size_t parameters, std::size_t data) {
  out[0] = kProtocolId;
  out[1] = kJob;
  zan::StoreBig16(out + 2, 0);
  zan::StoreBig16(out + 4, reference);
  zan::StoreBig16(out + 6, static_cast<uint16_t>(parameters));
  zan::StoreBig16(out + 8, static_cast<uint16_t>(data));
}

void PutItem(uint8_t* out, uint8_t function, const S7Item& item) {
  out[0] = function;
  out[1] = 1;     // one item
  out[2] = 0x12;  // variable specification
  out[3] = 0x0A;  // 10 bytes follow
  out[4] = 0x10;  // any-pointer syntax
  out[5] = kTransportSizeByte;
  zan::StoreBig16(out + 6, item.length);
  zan::StoreBig16(out + 8, item.dbNumber);
  out[10] = item.area;
  const uint32_t bitAddress = item.byteAddress * 8u;
  out[11] = static_cast<uint8_t>(bitAddress >> 16);
  out[12] = static_cast<uint8_t>(bitAddress >> 8);
  out[13] = static_cast<uint8_t>(bitAddress);
}

// The parts of an answer whose header lengths agree exactly with the message.
struct AnswerParts {
  bool valid = false;
  uint16_t errorClassAndCode = 0;
  const uint8_t* parameter = nullptr;
  std::size_t parameterSize = 0;
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};

AnswerParts SplitAnswer(const uint8_t* message, std::size_t size, uint16_t reference) {
  AnswerParts parts;
  if (size < kAnswerHeaderBytes || message[0] != kProtocolId) return parts;
  if (message[1] != kAck && message[1] != kAckData) return parts;
  if (zan::LoadBig16(message + 4) != reference) return parts;
  parts.parameterSize = zan::LoadBig16(message + 6);
  parts.dataSize = zan::LoadBig16(message + 8);
  if (kAnswerHeaderBytes + parts.parameterSize + parts.dataSize != size) return parts;
  parts.errorClassAndCode = zan::LoadBig16(message + 10);
  parts.parameter = message + kAnswerHeaderBytes;
  parts.data = parts.parameter + parts.parameterSize;
  parts.valid = true;
  return parts;
}

S7Answer Refused(uint16_t status) {
  S7Answer answer;
  answer.outcome = S7Outcome::kRefused;
  answer.status = status;
  return answer;
}

// The first checks of every answer: the header, then a refusal of the whole request by its error
// class (decided before the parameters, which such an answer may lack).
bool CheckHeader(const AnswerParts& parts, S7Answer* answer) {
  if (!parts.valid) return false;
  if (parts.errorClassAndCode >> 8 != 0) {
    *answer = Refused(parts.errorClassAndCode);
    return false;
  }
  return true;
}

bool IsItemFunction(const AnswerParts& parts, uint8_t function) {
  return parts.parameterSize == 2 && parts.parameter[0] == function && parts.parameter[1] == 1;
}

}  // namespace

std::size_t EncodeSetupCommunication(uint8_t* out, std::size_t capacity, uint16_t reference) {
  const std::size_t total = kJobHeaderBytes + kSetupParameterBytes;
  if (capacity < total) return 0;
  PutJobHeader(out, reference, kSetupParameterBytes, 0);
  uint8_t* p = out + kJobHeaderBytes;
  p[0] = kFunctionSetup;
  p[1] = 0;
  zan::StoreBig16(p + 2, 1);  // jobs outstanding as caller
  zan::StoreBig16(p + 4, 1);  // jobs outstanding as callee
  zan::StoreBig16(p + 6, kS7PduSizeAsked);
  return total;
}

std::size_t EncodeReadVar(uint8_t* out, std::size_t capacity, uint16_t reference,
                          const S7Item& item) {
  const std::size_t total = kJobHeaderBytes + kItemParameterBytes;
  if (capacity < total) return 0;
  PutJobHeader(out, reference, kItemParameterBytes, 0);
  PutItem(out + kJobHeaderBytes, kFunctionRead, item);
  return total;
}

std::size_t EncodeWriteVar(uint8_t* out, std::size_t capacity, uint16_t reference,
                           const S7Item& item, const uint8_t* data) {
  const std::size_t dataBytes = kItemDataHeaderBytes + item.length;
  const std::size_t total = kJobHeaderBytes + kItemParameterBytes + dataBytes;
  if (capacity < total) return 0;
  PutJobHeader(out, reference, kItemParameterBytes, dataBytes);
  PutItem(out + kJobHeaderBytes, kFunctionWrite, item);
  uint8_t* p = out + kJobHeaderBytes + kItemParameterBytes;
  p[0] = 0;
  p[1] = kSizeInBits;
  zan::StoreBig16(p + 2, static_cast<uint16_t>(item.length * 8u));
  std::memcpy(p + kItemDataHeaderBytes, data, item.length);
  return total;
}

S7Answer DecodeSetupAnswer(const uint8_t* message, std::size_t size, uint16_t reference) {
  S7Answer answer;
  const AnswerParts parts = SplitAnswer(message, size, reference);
  if (!CheckHeader(parts, &answer)) return answer;
  if (parts.parameterSize != kSetupParameterBytes || parts.dataSize != 0 ||
      parts.parameter[0] != kFunctionSetup)
    return answer;
  const uint16_t granted = zan::LoadBig16(parts.parameter + 6);
  if (granted < kS7MinPduSize) return answer;
  answer.outcome = S7Outcome::kSuccess;
  answer.pduSize = granted < kS7PduSizeAsked ? granted : kS7PduSizeAsked;
  return answer;
}

S7Answer DecodeReadAnswer(const uint8_t* message, std::size_t size, uint16_t reference,
                          uint16_t length) {
  S7Answer answer;
  const AnswerParts parts = SplitAnswer(message, size, reference);
  if (!CheckHeader(parts, &answer)) return answer;
  if (!IsItemFunction(parts, kFunctionRead) || parts.dataSize < kItemDataHeaderBytes) return answer;
  const uint8_t code = parts.data[0];
  // Decide on the return code first: a failed item carries no data, whatever BBBB says.
  if (code != kS7ItemSuccess) return code == 0 ? answer : Refused(code);
  const uint16_t units = zan::LoadBig16(parts.data + 2);
  std::size_t bytes;
  if (parts.data[1] == kSizeInBits) {
    if (units % 8 != 0) return answer;
    bytes = units / 8u;
  } else if (parts.data[1] == kSizeInBytes) {
    bytes = units;
  } else {
    return answer;
  }
  if (bytes != length || parts.dataSize != kItemDataHeaderBytes + bytes) return answer;
  answer.outcome = S7Outcome::kSuccess;
  answer.data = parts.data + kItemDataHeaderBytes;
  return answer;
}

S7Answer DecodeWriteAnswer(const uint8_t* message, std::size_t size, uint16_t reference) {
  S7Answer answer;
  const AnswerParts parts = SplitAnswer(message, size, reference);
  if (!CheckHeader(parts, &answer)) return answer;
  if (!IsItemFunction(parts, kFunctionWrite) || parts.dataSize != 1) return answer;
  const uint8_t code = parts.data[0];
  if (code == kS7ItemSuccess) {
    answer.outcome = S7Outcome::kSuccess;
    return answer;
  }
  return code == 0 ? answer : Refused(code);
}

bool AnswerReference(const uint8_t* message, std::size_t size, uint16_t* reference) {
  if (size < kAnswerHeaderBytes) return false;
  const uint16_t found = zan::LoadBig16(message + 4);
  if (!SplitAnswer(message, size, found).valid) return false;
  *reference = found;
  return true;
}

}  // namespace quaxnet

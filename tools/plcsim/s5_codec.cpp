#include "s5_codec.h"

#include "core/byte_order.h"
#include "hex_text.h"

namespace plcsim {
namespace {

// "S5", header length 16, op-code block id 01 and its length 03.
constexpr uint8_t kPrefix[5] = {0x53, 0x35, 0x10, 0x01, 0x03};
// Address block id 03 and its length 08; the empty block FF 02 that closes a request.
constexpr uint8_t kAddressBlock[2] = {0x03, 0x08};
constexpr uint8_t kEmptyBlock[2] = {0xFF, 0x02};
// Acknowledge block id 0F and its length 03; the FF 07 that follows the error number.
constexpr uint8_t kAcknowledgeBlock[2] = {0x0F, 0x03};
constexpr uint8_t kAcknowledgeTail[2] = {0xFF, 0x07};

bool Same(const uint8_t* data, const uint8_t* expected, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != expected[i]) return false;
  }
  return true;
}

}  // namespace

bool S5AreaCountsWords(uint8_t area) {
  return area == kS5AreaDataBlock || area == kS5AreaExtendedDataBlock || area == kS5AreaCounters ||
         area == kS5AreaTimers;
}

bool DecodeS5Request(const uint8_t* telegram, std::size_t size, S5Request* request,
                     std::string* why) {
  *request = S5Request{};
  if (size < kS5HeaderSize) {
    *why = "telegram of " + std::to_string(size) + " bytes";
    return false;
  }
  if (!Same(telegram, kPrefix, sizeof kPrefix) || !Same(telegram + 6, kAddressBlock, 2) ||
      !Same(telegram + 14, kEmptyBlock, 2)) {
    *why = "request header " + HexBytes(telegram, kS5HeaderSize);
    return false;
  }
  request->opCode = telegram[5];
  request->area = telegram[8];
  request->dataBlock = telegram[9];
  request->start = zan::LoadBig16(telegram + 10);
  request->length = zan::LoadBig16(telegram + 12);
  const std::size_t payload = size - kS5HeaderSize;
  if (request->opCode == kS5Fetch) {
    if (payload != 0) {
      *why = "fetch request with " + std::to_string(payload) + " data bytes";
      return false;
    }
    return true;
  }
  if (request->opCode != kS5Write) {
    *why = "op code " + std::to_string(request->opCode);
    return false;
  }
  const std::size_t expected =
      S5AreaCountsWords(request->area) ? 2 * std::size_t{request->length} : request->length;
  if (payload != expected) {
    *why = "write request of length " + std::to_string(request->length) + " with " +
           std::to_string(payload) + " data bytes";
    return false;
  }
  request->data = telegram + kS5HeaderSize;
  request->dataSize = payload;
  return true;
}

void EncodeS5Answer(std::vector<uint8_t>& out, uint8_t answerOpCode, uint8_t error,
                    const uint8_t* data, std::size_t size) {
  out.insert(out.end(), kPrefix, kPrefix + sizeof kPrefix);
  out.push_back(answerOpCode);
  out.insert(out.end(), kAcknowledgeBlock, kAcknowledgeBlock + 2);
  out.push_back(error);
  out.insert(out.end(), kAcknowledgeTail, kAcknowledgeTail + 2);
  out.insert(out.end(), 5, 0);
  if (size != 0) out.insert(out.end(), data, data + size);
}

}  // namespace plcsim

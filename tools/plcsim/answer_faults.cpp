#include "answer_faults.h"

#include "core/byte_order.h"
#include "s5_codec.h"
#include "s7_codec.h"

namespace plcsim {
namespace {

// A TPKT version that no peer accepts (RFC 1006 has 3 only).
constexpr uint8_t kBadTpktVersion = 7;

void AddToBig16(std::vector<uint8_t>& pdu, std::size_t offset, int delta) {
  zan::StoreBig16(pdu.data() + offset,
                  static_cast<uint16_t>(zan::LoadBig16(pdu.data() + offset) + delta));
}

// A read answer that carries data: a data length field behind the return code FF.
bool IsS7ReadWithData(const std::vector<uint8_t>& pdu) {
  return pdu.size() > kS7ReadLengthOffset + 2 && pdu[kS7AckDataHeaderSize] == kS7ReadVar &&
         pdu[kS7AckDataHeaderSize + 2] == kS7Success;
}

void SpoilS7(std::vector<uint8_t>& pdu, Malformation malformation) {
  if (pdu.size() < kS7AckDataHeaderSize) return;
  switch (malformation) {
    case Malformation::kHeader:
      pdu[0] = kS7ProtocolId + 1;
      break;
    case Malformation::kReference:
      AddToBig16(pdu, kS7ReferenceOffset, 1);
      break;
    case Malformation::kLength:
      if (IsS7ReadWithData(pdu)) {
        pdu.pop_back();
        AddToBig16(pdu, kS7DataLengthOffset, -1);
        AddToBig16(pdu, kS7ReadLengthOffset, -8);
      } else {
        pdu.push_back(0);
        AddToBig16(pdu, kS7DataLengthOffset, 1);
      }
      break;
    case Malformation::kTpkt:
      break;
  }
}

void SpoilS5(std::vector<uint8_t>& pdu, Malformation malformation) {
  if (pdu.size() < kS5HeaderSize) return;
  switch (malformation) {
    case Malformation::kHeader:
      pdu[0] = 'X';
      break;
    case Malformation::kReference:
      pdu[kS5OpCodeOffset] =
          pdu[kS5OpCodeOffset] == kS5FetchAnswer ? kS5WriteAnswer : kS5FetchAnswer;
      break;
    case Malformation::kLength:
      if (pdu.size() > kS5HeaderSize) {
        pdu.pop_back();
      } else {
        pdu.push_back(0);
      }
      break;
    case Malformation::kTpkt:
      break;
  }
}

}  // namespace

void SpoilAnswer(std::vector<uint8_t>& pdu, Personality personality, Malformation malformation) {
  if (personality == Personality::kS7) {
    SpoilS7(pdu, malformation);
  } else {
    SpoilS5(pdu, malformation);
  }
}

void SpoilFrame(std::vector<uint8_t>& frames) {
  if (!frames.empty()) frames[0] = kBadTpktVersion;
}

void Truncate(std::vector<uint8_t>& frames) {
  frames.resize(frames.size() / 2);
}

}  // namespace plcsim

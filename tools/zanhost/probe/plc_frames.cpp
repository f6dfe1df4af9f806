#include "probe/plc_frames.h"

#include <cstdint>
#include <cstdio>

namespace zanhost {
namespace {

constexpr uint8_t kTpktVersion = 0x03;
constexpr std::size_t kMinTpktBytes = 7;  // the header and the smallest TPDU, a data header
constexpr uint8_t kConnectRequest = 0xE0;
constexpr uint8_t kConnectConfirm = 0xD0;
constexpr uint8_t kDisconnectRequest = 0x80;
constexpr uint8_t kData = 0xF0;
constexpr uint8_t kLastData = 0x80;
constexpr uint8_t kTpduSizeParameter = 0xC0;
constexpr uint8_t kTpduSizeAsked = 0x0A;       // 1024 bytes
constexpr std::size_t kConfirmFixedBytes = 6;  // after LI: code, references, class

constexpr uint8_t kS7ProtocolId = 0x32;
constexpr uint8_t kS7Job = 0x01;
constexpr uint8_t kS7AckData = 0x03;
constexpr uint8_t kS7UserData = 0x07;
constexpr std::size_t kS7JobHeaderBytes = 10;
constexpr std::size_t kS7AckDataHeaderBytes = 12;
constexpr uint8_t kS7Setup = 0xF0;
constexpr uint8_t kS7ReadVar = 0x04;
constexpr std::size_t kUserDataAnswerParameterBytes = 12;
constexpr uint8_t kUserDataResponse = 0x12;
constexpr uint8_t kCpuFunctions = 0x04;
constexpr uint8_t kReadSzl = 0x01;

constexpr std::size_t kS5HeaderBytes = 16;
constexpr uint8_t kS5FetchAnswer = 0x06;

void Put16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

uint16_t Get16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] << 8 | at[1]);
}

Bytes Tpkt(const Bytes& tpdu) {
  Bytes out = {kTpktVersion, 0};
  Put16(out, static_cast<uint16_t>(kTpktHeaderBytes + tpdu.size()));
  out.insert(out.end(), tpdu.begin(), tpdu.end());
  return out;
}

Bytes S7Job(uint16_t reference, const Bytes& parameter, const Bytes& data, uint8_t type) {
  Bytes pdu = {kS7ProtocolId, type, 0, 0};
  Put16(pdu, reference);
  Put16(pdu, static_cast<uint16_t>(parameter.size()));
  Put16(pdu, static_cast<uint16_t>(data.size()));
  pdu.insert(pdu.end(), parameter.begin(), parameter.end());
  pdu.insert(pdu.end(), data.begin(), data.end());
  return EncodeDataTpkt(pdu);
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

}  // namespace

Bytes S7LocalTsap() {
  return {0x01, 0x01};
}

Bytes S7RemoteTsap(uint8_t slot) {
  return {0x03, slot};  // connection type 3, rack 0
}

Bytes S5Tsap(const std::string& text) {
  Bytes tsap(8, 0);
  for (std::size_t i = 0; i < tsap.size() && i < text.size() && text[i] != '\0'; ++i)
    tsap[i] = static_cast<uint8_t>(text[i]);
  return tsap;
}

std::string HexText(const uint8_t* bytes, std::size_t size) {
  std::string text;
  char digits[4];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, i == 0 ? "%02X" : " %02X", unsigned{bytes[i]});
    text += digits;
  }
  return text;
}

std::string TsapText(const Bytes& tsap) {
  bool printable = tsap.size() > 2;
  for (uint8_t byte : tsap)
    printable = printable && (byte == 0 || (byte >= 0x20 && byte <= 0x7E));
  if (!printable) return HexText(tsap.data(), tsap.size());
  std::size_t length = tsap.size();
  while (length > 0 && (tsap[length - 1] == ' ' || tsap[length - 1] == 0))
    --length;
  return "\"" + std::string(tsap.begin(), tsap.begin() + static_cast<std::ptrdiff_t>(length)) +
         "\"";
}

Bytes EncodeConnectRequest(uint16_t sourceReference, const Bytes& localTsap,
                           const Bytes& remoteTsap) {
  Bytes tpdu = {0, kConnectRequest, 0, 0};
  Put16(tpdu, sourceReference);
  tpdu.insert(tpdu.end(), {0x00, kTpduSizeParameter, 1, kTpduSizeAsked, 0xC1,
                           static_cast<uint8_t>(localTsap.size())});
  tpdu.insert(tpdu.end(), localTsap.begin(), localTsap.end());
  tpdu.insert(tpdu.end(), {0xC2, static_cast<uint8_t>(remoteTsap.size())});
  tpdu.insert(tpdu.end(), remoteTsap.begin(), remoteTsap.end());
  tpdu[0] = static_cast<uint8_t>(tpdu.size() - 1);  // LI counts what follows it
  return Tpkt(tpdu);
}

Bytes EncodeDataTpkt(const Bytes& userData) {
  Bytes tpdu = {2, kData, kLastData};
  tpdu.insert(tpdu.end(), userData.begin(), userData.end());
  return Tpkt(tpdu);
}

Bytes EncodeS7Setup(uint16_t reference, uint16_t pduSize) {
  Bytes parameter = {kS7Setup, 0, 0, 1, 0, 1};  // one job outstanding each way
  Put16(parameter, pduSize);
  return S7Job(reference, parameter, {}, kS7Job);
}

Bytes EncodeS7ReadVar(uint16_t reference, uint8_t area, uint16_t dataBlock, uint32_t byte,
                      uint16_t length) {
  Bytes parameter = {kS7ReadVar, 1, 0x12, 0x0A, 0x10, 0x02};  // one item, any-pointer, bytes
  Put16(parameter, length);
  Put16(parameter, dataBlock);
  parameter.push_back(area);
  const uint32_t bit = byte * 8u;
  parameter.push_back(static_cast<uint8_t>(bit >> 16));
  Put16(parameter, static_cast<uint16_t>(bit));
  return S7Job(reference, parameter, {}, kS7Job);
}

Bytes EncodeS7ReadSzl(uint16_t reference, uint16_t id, uint16_t index) {
  // Request (11) of the CPU functions (type 4, group 4), read SZL (01), sequence 0; the data an
  // octet string (09) of 4 bytes: the SZL-ID and index.
  const Bytes parameter = {0x00, 0x01, 0x12, 0x04, 0x11, 0x44, kReadSzl, 0x00};
  Bytes data = {0xFF, 0x09, 0x00, 0x04};
  Put16(data, id);
  Put16(data, index);
  return S7Job(reference, parameter, data, kS7UserData);
}

Bytes EncodeS5Fetch(uint8_t area, uint8_t dataBlock, uint16_t start, uint16_t words) {
  Bytes telegram = {0x53, 0x35, 0x10, 0x01, 0x03, 0x05, 0x03, 0x08, area, dataBlock};
  Put16(telegram, start);
  Put16(telegram, words);
  telegram.insert(telegram.end(), {0xFF, 0x02});
  return EncodeDataTpkt(telegram);
}

TpktScan ScanTpkt(const uint8_t* bytes, std::size_t size, std::size_t* length) {
  if (size >= 1 && bytes[0] != kTpktVersion) return TpktScan::kBroken;
  if (size < kTpktHeaderBytes) return TpktScan::kIncomplete;
  *length = Get16(bytes + 2);
  if (*length < kMinTpktBytes || *length > kMaxTpktBytes) return TpktScan::kBroken;
  return size >= *length ? TpktScan::kComplete : TpktScan::kIncomplete;
}

bool DecodeTpdu(const uint8_t* tpkt, std::size_t size, Tpdu* tpdu, std::string* why) {
  *tpdu = Tpdu{};
  if (size < kMinTpktBytes || Get16(tpkt + 2) != size) {
    *why = "a TPKT whose length is not that of its bytes";
    return false;
  }
  const uint8_t* p = tpkt + kTpktHeaderBytes;
  const std::size_t tpduSize = size - kTpktHeaderBytes;
  const std::size_t headerBytes = std::size_t{1} + p[0];
  if (headerBytes > tpduSize) {
    *why = "a TPDU header longer than its TPKT";
    return false;
  }
  const uint8_t code = p[1] & 0xF0;
  if (code == kData) {
    if (headerBytes != 3) {
      *why = "a data TPDU with a header of " + std::to_string(headerBytes) + " bytes";
      return false;
    }
    tpdu->kind = Tpdu::Kind::kData;
    tpdu->last = (p[2] & kLastData) != 0;
    tpdu->data = p + 3;
    tpdu->size = tpduSize - 3;
    return true;
  }
  if (code != kConnectConfirm && code != kDisconnectRequest) {
    tpdu->kind = Tpdu::Kind::kOther;
    return true;
  }
  if (headerBytes < 1 + kConfirmFixedBytes) {
    *why = "a connect confirm or disconnect request shorter than 7 bytes";
    return false;
  }
  tpdu->destinationReference = Get16(p + 2);
  if (code == kDisconnectRequest) {
    tpdu->kind = Tpdu::Kind::kDisconnect;
    tpdu->reason = p[6];
    return true;
  }
  tpdu->kind = Tpdu::Kind::kConnectConfirm;
  for (std::size_t at = 1 + kConfirmFixedBytes; at < headerBytes;) {
    if (headerBytes - at < 2 || headerBytes - at - 2 < p[at + 1]) {
      *why = "a connect confirm parameter that runs past its header";
      return false;
    }
    if (p[at] == kTpduSizeParameter && p[at + 1] == 1) tpdu->tpduSizeCode = p[at + 2];
    at += std::size_t{2} + p[at + 1];
  }
  return true;
}

bool DecodeS7Answer(const uint8_t* pdu, std::size_t size, uint16_t reference, S7Answer* answer,
                    std::string* why) {
  *answer = S7Answer{};
  if (size < kS7JobHeaderBytes || pdu[0] != kS7ProtocolId) {
    *why = "no S7 header";
    return false;
  }
  const uint8_t type = pdu[1];
  const std::size_t headerBytes = type == kS7AckData ? kS7AckDataHeaderBytes : kS7JobHeaderBytes;
  if ((type != kS7AckData && type != kS7UserData) || size < headerBytes) {
    *why = "an S7 PDU of type " + Hex(type, 2) + ", not an answer";
    return false;
  }
  if (Get16(pdu + 4) != reference) {
    *why = "the PDU reference " + std::to_string(Get16(pdu + 4)) + ", not " +
           std::to_string(reference) + " of the request";
    return false;
  }
  const std::size_t parameterSize = Get16(pdu + 6);
  const std::size_t dataSize = Get16(pdu + 8);
  if (headerBytes + parameterSize + dataSize != size) {
    *why = "parameter and data lengths that do not add up to the PDU's " + std::to_string(size) +
           " bytes";
    return false;
  }
  answer->type = type;
  answer->error = type == kS7AckData ? Get16(pdu + 10) : 0;
  answer->parameter = pdu + headerBytes;
  answer->parameterSize = parameterSize;
  answer->data = answer->parameter + parameterSize;
  answer->dataSize = dataSize;
  return true;
}

bool DecodeS7SetupAnswer(const S7Answer& answer, uint16_t* pduSize, std::string* why) {
  *pduSize = 0;
  if (answer.type != kS7AckData) {
    *why = "no ack-data";
    return false;
  }
  if (answer.error != 0) return true;
  if (answer.parameterSize != 8 || answer.parameter[0] != kS7Setup) {
    *why = "no setup communication parameters";
    return false;
  }
  *pduSize = Get16(answer.parameter + 6);
  return true;
}

bool DecodeS7ReadAnswer(const S7Answer& answer, uint16_t length, ReadResult* result,
                        std::string* why) {
  *result = ReadResult{};
  if (answer.type != kS7AckData || answer.error != 0) {
    *why = answer.type != kS7AckData ? "no ack-data" : "the job refused";
    return answer.type == kS7AckData;
  }
  if (answer.parameterSize != 2 || answer.parameter[0] != kS7ReadVar || answer.parameter[1] != 1 ||
      answer.dataSize < 4) {
    *why = "no read var answer of one item";
    return false;
  }
  result->returnCode = answer.data[0];
  if (result->returnCode != kS7ItemSuccess) return true;
  const uint8_t size = answer.data[1];
  const uint16_t units = Get16(answer.data + 2);
  // 03 bit, 04 and 05 count bits; 07 and 09 count bytes.
  const std::size_t bytes = size == 0x03 || size == 0x04 || size == 0x05 ? (units + 7u) / 8u
                            : size == 0x07 || size == 0x09               ? units
                                                                         : SIZE_MAX;
  if (bytes != length || answer.dataSize != 4 + bytes) {
    *why = "item data of transport size " + Hex(size, 2) + " and length " + std::to_string(units) +
           " in " + std::to_string(answer.dataSize - 4) + " bytes, where " +
           std::to_string(length) + " bytes were asked";
    return false;
  }
  result->data.assign(answer.data + 4, answer.data + 4 + bytes);
  return true;
}

bool DecodeS7SzlAnswer(const S7Answer& answer, SzlList* list, std::string* why) {
  *list = SzlList{};
  const uint8_t* p = answer.parameter;
  if (answer.type != kS7UserData || answer.parameterSize < kUserDataAnswerParameterBytes ||
      p[0] != 0x00 || p[1] != 0x01 || p[2] != 0x12 || p[3] < 8 || p[4] != kUserDataResponse ||
      (p[5] & 0x0F) != kCpuFunctions || p[6] != kReadSzl) {
    *why = "no user-data response of read SZL";
    return false;
  }
  list->error = Get16(p + 10);
  if (list->error != 0) return true;  // a refusal need not carry data
  if (answer.dataSize < 4) {
    *why = "a read-SZL answer without its data head";
    return false;
  }
  const uint8_t* data = answer.data;
  if (data[0] != kS7ItemSuccess) {
    list->error = static_cast<uint16_t>(0xFF00 | data[0]);
    return true;
  }
  const std::size_t length = Get16(data + 2);
  if (length != answer.dataSize - 4 || length < 8) {
    *why = "SZL data of " + std::to_string(length) + " bytes in " +
           std::to_string(answer.dataSize - 4);
    return false;
  }
  const uint8_t* szl = data + 4;
  list->id = Get16(szl);
  list->index = Get16(szl + 2);
  list->recordSize = Get16(szl + 4);
  const std::size_t count = Get16(szl + 6);
  if (list->recordSize == 0 || count > (length - 8) / list->recordSize) {
    *why = std::to_string(count) + " records of " + std::to_string(list->recordSize) +
           " bytes in " + std::to_string(length - 8);
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const uint8_t* record = szl + 8 + i * list->recordSize;
    list->records.emplace_back(record, record + list->recordSize);
  }
  return true;
}

bool DecodeS5FetchAnswer(const uint8_t* telegram, std::size_t size, std::size_t bytes,
                         S5FetchResult* result, std::string* why) {
  *result = S5FetchResult{};
  if (size < kS5HeaderBytes || telegram[0] != 0x53 || telegram[1] != 0x35 ||
      telegram[2] != kS5HeaderBytes || telegram[5] != kS5FetchAnswer) {
    *why = "no S5 fetch answer";
    return false;
  }
  result->error = telegram[8];
  if (result->error != 0) return true;
  if (size != kS5HeaderBytes + bytes) {
    *why = "a fetch answer of " + std::to_string(size - kS5HeaderBytes) + " data bytes, where " +
           std::to_string(bytes) + " were asked";
    return false;
  }
  result->data.assign(telegram + kS5HeaderBytes, telegram + size);
  return true;
}

}  // namespace zanhost

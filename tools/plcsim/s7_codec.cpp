#include "s7_codec.h"

#include <algorithm>

#include "core/byte_order.h"
#include "hex_text.h"

namespace plcsim {
namespace {

// Parameter length of setup communication.
constexpr std::size_t kSetupParameterSize = 8;
// Item specification: 12 = variable specification, then the length of what follows; 10 bytes of
// syntax 10 (any pointer) is the addressing the simulator serves.
constexpr uint8_t kItemSpecification = 0x12;
constexpr uint8_t kAnyPointerLength = 0x0A;
constexpr uint8_t kSyntaxAnyPointer = 0x10;
// User data: the parameter head 00 01 12, then the length of what follows it (4 in a request,
// 8 in a response); the last-data-unit byte 00 means "yes".
constexpr uint8_t kUserDataHead[3] = {0x00, 0x01, 0x12};
constexpr std::size_t kUserDataParameterMin = 8;
constexpr uint8_t kLastDataUnit = 0x00;

void AppendBig16(std::vector<uint8_t>& out, std::size_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void AppendHeader(std::vector<uint8_t>& out, uint8_t type, uint16_t reference,
                  std::size_t parameterSize, std::size_t dataSize) {
  out.push_back(kS7ProtocolId);
  out.push_back(type);
  AppendBig16(out, 0);
  AppendBig16(out, reference);
  AppendBig16(out, parameterSize);
  AppendBig16(out, dataSize);
}

void AppendAckDataHeader(std::vector<uint8_t>& out, uint16_t reference, std::size_t parameterSize,
                         std::size_t dataSize, uint16_t error) {
  AppendHeader(out, kS7AckData, reference, parameterSize, dataSize);
  AppendBig16(out, error);
}

bool DecodeItems(const uint8_t* parameter, std::size_t parameterSize, std::vector<S7Item>* items,
                 std::string* why) {
  if (parameterSize < 2 || parameter[1] == 0) {
    *why = parameterSize < 2 ? "parameter of " + std::to_string(parameterSize) + " bytes"
                             : std::string("a job without items");
    return false;
  }
  const std::size_t count = parameter[1];
  items->resize(count);
  std::size_t at = 2;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string which = "item " + std::to_string(i + 1) + " of " + std::to_string(count);
    if (parameterSize - at < 2) {
      *why = "parameter of " + std::to_string(parameterSize) + " bytes ends before " + which;
      return false;
    }
    if (parameter[at] != kItemSpecification) {
      *why = "item specification " + HexByte(parameter[at]) + " of " + which;
      return false;
    }
    if (parameterSize - at - 2 < parameter[at + 1]) {
      *why = which + " runs past the parameter of " + std::to_string(parameterSize) + " bytes";
      return false;
    }
    const std::size_t length = parameter[at + 1];
    const uint8_t* variable = parameter + at + 2;
    S7Item& item = (*items)[i];
    item.anyPointer = length == kAnyPointerLength && variable[0] == kSyntaxAnyPointer;
    if (item.anyPointer) {
      item.transportSize = variable[1];
      item.count = zan::LoadBig16(variable + 2);
      item.dataBlock = zan::LoadBig16(variable + 4);
      item.area = variable[6];
      item.address = (uint32_t{variable[7]} << 16) | (uint32_t{variable[8]} << 8) | variable[9];
    }
    at += 2 + length;
  }
  if (at != parameterSize) {
    *why = std::to_string(count) + " items in a parameter of " + std::to_string(parameterSize) +
           " bytes";
    return false;
  }
  return true;
}

// The data of each item of a write: 00 TS LLLL <bytes>, a fill byte after an odd count except
// after the last (one there is tolerated).
bool DecodeWriteData(const uint8_t* data, std::size_t dataSize, std::vector<S7Item>* items,
                     std::string* why) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < items->size(); ++i) {
    S7Item& item = (*items)[i];
    const std::string which = items->size() == 1 ? "" : "item " + std::to_string(i + 1) + ": ";
    if (dataSize - at < kS7ItemDataHeadSize) {
      *why = which + "write var with " + std::to_string(dataSize - at) + " data bytes";
      return false;
    }
    item.dataTransportSize = data[at + 1];
    item.dataLength = zan::LoadBig16(data + at + 2);
    std::size_t bytes = 0;
    if (!S7DataByteCount(item.dataTransportSize, item.dataLength, &bytes)) {
      *why = which + "write data of transport size " + HexByte(item.dataTransportSize);
      return false;
    }
    at += kS7ItemDataHeadSize;
    if (bytes > dataSize - at) {
      *why = which + "write data of " + std::to_string(bytes) + " bytes in " +
             std::to_string(dataSize - at);
      return false;
    }
    item.data = data + at;
    item.dataSize = bytes;
    at += bytes;
    if (bytes % 2 != 0 && at < dataSize) ++at;  // the fill byte
  }
  if (at != dataSize) {
    *why = std::to_string(dataSize - at) + " bytes after the write data";
    return false;
  }
  return true;
}

bool DecodeUserData(const uint8_t* parameter, std::size_t parameterSize, const uint8_t* data,
                    std::size_t dataSize, S7UserDataRequest* request, std::string* why) {
  if (parameterSize < kUserDataParameterMin || parameter[0] != kUserDataHead[0] ||
      parameter[1] != kUserDataHead[1] || parameter[2] != kUserDataHead[2] ||
      parameter[3] != parameterSize - 4) {
    *why = "user-data parameter " + HexBytes(parameter, std::min<std::size_t>(parameterSize, 8));
    return false;
  }
  request->method = parameter[4];
  request->type = parameter[5] >> 4;
  request->group = parameter[5] & 0x0F;
  request->subfunction = parameter[6];
  request->sequence = parameter[7];
  std::size_t bytes = 0;
  if (dataSize < kS7ItemDataHeadSize ||
      !S7DataByteCount(data[1], zan::LoadBig16(data + 2), &bytes) ||
      bytes != dataSize - kS7ItemDataHeadSize) {
    *why = "user data of " + std::to_string(dataSize) +
           " bytes: " + HexBytes(data, std::min<std::size_t>(dataSize, kS7ItemDataHeadSize));
    return false;
  }
  request->returnCode = data[0];
  request->data = data + kS7ItemDataHeadSize;
  request->dataSize = bytes;
  return true;
}

}  // namespace

bool S7DataByteCount(uint8_t dataTransportSize, uint16_t length, std::size_t* bytes) {
  switch (dataTransportSize) {
    case kS7DataBit:
    case kS7DataBits:
    case kS7DataInteger:
      *bytes = (std::size_t{length} + 7) / 8;
      return true;
    case kS7DataNull:
    case kS7DataDInteger:
    case kS7DataReal:
    case kS7DataOctets:
      *bytes = length;
      return true;
    default:
      return false;
  }
}

bool DecodeS7Request(const uint8_t* pdu, std::size_t size, S7Request* request, std::string* why) {
  *request = S7Request{};
  if (size < kS7JobHeaderSize) {
    *why = "S7 header of " + std::to_string(size) + " bytes";
    return false;
  }
  if (pdu[0] != kS7ProtocolId) {
    *why = "protocol id " + HexByte(pdu[0]);
    return false;
  }
  if (pdu[1] != kS7Job && pdu[1] != kS7UserData) {
    *why = "message type " + HexByte(pdu[1]) + " is not a job";
    return false;
  }
  request->reference = zan::LoadBig16(pdu + 4);
  const std::size_t parameterSize = zan::LoadBig16(pdu + 6);
  const std::size_t dataSize = zan::LoadBig16(pdu + 8);
  if (kS7JobHeaderSize + parameterSize + dataSize != size || parameterSize == 0) {
    *why = "parameter length " + std::to_string(parameterSize) + " and data length " +
           std::to_string(dataSize) + " in a PDU of " + std::to_string(size) + " bytes";
    return false;
  }
  const uint8_t* parameter = pdu + kS7JobHeaderSize;
  const uint8_t* data = parameter + parameterSize;

  if (pdu[1] == kS7UserData) {
    if (!DecodeUserData(parameter, parameterSize, data, dataSize, &request->userData, why)) {
      return false;
    }
    request->kind = S7Request::Kind::kUserData;
    return true;
  }

  request->function = parameter[0];
  switch (request->function) {
    case kS7SetupCommunication:
      if (parameterSize != kSetupParameterSize || dataSize != 0) {
        *why = "setup communication of " + std::to_string(parameterSize) + "+" +
               std::to_string(dataSize) + " bytes";
        return false;
      }
      request->kind = S7Request::Kind::kSetup;
      request->callingJobs = zan::LoadBig16(parameter + 2);
      request->calledJobs = zan::LoadBig16(parameter + 4);
      request->pduSize = zan::LoadBig16(parameter + 6);
      return true;

    case kS7ReadVar:
      if (!DecodeItems(parameter, parameterSize, &request->items, why)) return false;
      if (dataSize != 0) {
        *why = "read var with " + std::to_string(dataSize) + " data bytes";
        return false;
      }
      request->kind = S7Request::Kind::kRead;
      return true;

    case kS7WriteVar:
      if (!DecodeItems(parameter, parameterSize, &request->items, why) ||
          !DecodeWriteData(data, dataSize, &request->items, why)) {
        return false;
      }
      request->kind = S7Request::Kind::kWrite;
      return true;

    default:
      request->kind = S7Request::Kind::kOther;
      return true;
  }
}

std::size_t S7ReadAnswerSize(const std::vector<std::size_t>& sizes) {
  std::size_t total = kS7AckDataHeaderSize + 2;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    total += kS7ItemDataHeadSize + sizes[i] + (sizes[i] % 2 != 0 && i + 1 < sizes.size() ? 1 : 0);
  }
  return total;
}

void EncodeS7SetupAnswer(std::vector<uint8_t>& out, uint16_t reference, uint16_t callingJobs,
                         uint16_t calledJobs, uint16_t pduSize) {
  AppendAckDataHeader(out, reference, kSetupParameterSize, 0, 0);
  out.push_back(kS7SetupCommunication);
  out.push_back(0);
  AppendBig16(out, callingJobs);
  AppendBig16(out, calledJobs);
  AppendBig16(out, pduSize);
}

void EncodeS7ReadAnswer(std::vector<uint8_t>& out, uint16_t reference,
                        const std::vector<S7ReadResult>& items) {
  std::vector<std::size_t> sizes;
  for (const S7ReadResult& item : items)
    sizes.push_back(item.returnCode == kS7Success ? item.size : 0);
  AppendAckDataHeader(out, reference, 2, S7ReadAnswerSize(sizes) - kS7AckDataHeaderSize - 2, 0);
  out.push_back(kS7ReadVar);
  out.push_back(static_cast<uint8_t>(items.size()));
  for (std::size_t i = 0; i < items.size(); ++i) {
    const S7ReadResult& item = items[i];
    out.push_back(item.returnCode);
    if (item.returnCode != kS7Success) {
      out.push_back(kS7DataNull);
      AppendBig16(out, 0);
      continue;
    }
    out.push_back(item.dataTransportSize);
    AppendBig16(out, item.length);
    out.insert(out.end(), item.data, item.data + item.size);
    if (item.size % 2 != 0 && i + 1 < items.size()) out.push_back(0);
  }
}

void EncodeS7WriteAnswer(std::vector<uint8_t>& out, uint16_t reference,
                         const std::vector<uint8_t>& returnCodes) {
  AppendAckDataHeader(out, reference, 2, returnCodes.size(), 0);
  out.push_back(kS7WriteVar);
  out.push_back(static_cast<uint8_t>(returnCodes.size()));
  out.insert(out.end(), returnCodes.begin(), returnCodes.end());
}

void EncodeS7HeaderError(std::vector<uint8_t>& out, uint16_t reference, uint8_t function,
                         uint16_t error) {
  AppendAckDataHeader(out, reference, 2, 0, error);
  out.push_back(function);
  out.push_back(0);
}

void EncodeS7UserDataAnswer(std::vector<uint8_t>& out, uint16_t reference,
                            const S7UserDataRequest& request, uint16_t error, uint8_t returnCode,
                            const uint8_t* data, std::size_t size) {
  if (error != 0) size = 0;
  AppendHeader(out, kS7UserData, reference, 12, kS7ItemDataHeadSize + size);
  out.insert(out.end(), kUserDataHead, kUserDataHead + 3);
  out.push_back(8);
  out.push_back(kS7UserDataResponse);
  out.push_back(static_cast<uint8_t>(kS7UserDataTypeResponse << 4 | request.group));
  out.push_back(request.subfunction);
  out.push_back(request.sequence);
  out.push_back(0);  // data unit reference: the answer is one unit
  out.push_back(kLastDataUnit);
  AppendBig16(out, error);
  out.push_back(error == 0 ? kS7Success : returnCode);
  out.push_back(error == 0 ? kS7DataOctets : kS7DataNull);
  AppendBig16(out, size);
  if (size != 0) out.insert(out.end(), data, data + size);
}

}  // namespace plcsim

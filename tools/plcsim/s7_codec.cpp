#include "s7_codec.h"

#include "core/byte_order.h"
#include "hex_text.h"

namespace plcsim {
namespace {

// Parameter lengths: setup communication (8), one item of read or write var (2 + 12).
constexpr std::size_t kSetupParameterSize = 8;
constexpr std::size_t kItemParameterSize = 14;
// Item specification: 12 0A 10 = variable specification, 10 bytes follow, any-pointer syntax.
constexpr uint8_t kItemSpecification = 0x12;
constexpr uint8_t kItemLength = 0x0A;
constexpr uint8_t kSyntaxAnyPointer = 0x10;
constexpr std::size_t kWriteDataHeadSize = 4;

void AppendBig16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void AppendAckDataHeader(std::vector<uint8_t>& out, uint16_t reference, std::size_t parameterSize,
                         std::size_t dataSize, uint16_t error) {
  out.push_back(kS7ProtocolId);
  out.push_back(kS7AckData);
  AppendBig16(out, 0);
  AppendBig16(out, reference);
  AppendBig16(out, static_cast<uint16_t>(parameterSize));
  AppendBig16(out, static_cast<uint16_t>(dataSize));
  AppendBig16(out, error);
}

bool DecodeItem(const uint8_t* parameter, std::size_t parameterSize, S7Item* item,
                std::string* why) {
  if (parameterSize < 2) {
    *why = "parameter of " + std::to_string(parameterSize) + " bytes";
    return false;
  }
  if (parameter[1] != 1) {
    *why = std::to_string(parameter[1]) + " items (the simulator serves one per job)";
    return false;
  }
  if (parameterSize != kItemParameterSize) {
    *why = "item parameter of " + std::to_string(parameterSize) + " bytes";
    return false;
  }
  const uint8_t* spec = parameter + 2;
  if (spec[0] != kItemSpecification || spec[1] != kItemLength || spec[2] != kSyntaxAnyPointer) {
    *why =
        "item specification " + HexByte(spec[0]) + " " + HexByte(spec[1]) + " " + HexByte(spec[2]);
    return false;
  }
  item->transportSize = spec[3];
  item->count = zan::LoadBig16(spec + 4);
  item->dataBlock = zan::LoadBig16(spec + 6);
  item->area = spec[8];
  item->bitAddress = (uint32_t{spec[9]} << 16) | (uint32_t{spec[10]} << 8) | spec[11];
  return true;
}

// The byte count of write data from its transport size and length field; false when the size is
// one the simulator cannot count.
bool DataByteCount(uint8_t transportSize, uint16_t length, std::size_t* bytes) {
  switch (transportSize) {
    case 0x03:  // bit
    case kS7DataBits:
    case 0x05:  // integer, in bits
      *bytes = (std::size_t{length} + 7) / 8;
      return true;
    case 0x06:  // double integer, in bytes
    case 0x07:  // real, in bytes
    case kS7DataOctets:
      *bytes = length;
      return true;
    default:
      return false;
  }
}

}  // namespace

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
  if (pdu[1] != kS7Job) {
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
      if (!DecodeItem(parameter, parameterSize, &request->item, why)) return false;
      if (dataSize != 0) {
        *why = "read var with " + std::to_string(dataSize) + " data bytes";
        return false;
      }
      request->kind = S7Request::Kind::kRead;
      return true;

    case kS7WriteVar: {
      if (!DecodeItem(parameter, parameterSize, &request->item, why)) return false;
      if (dataSize < kWriteDataHeadSize) {
        *why = "write var with " + std::to_string(dataSize) + " data bytes";
        return false;
      }
      std::size_t bytes = 0;
      if (!DataByteCount(data[1], zan::LoadBig16(data + 2), &bytes)) {
        *why = "write data of transport size " + HexByte(data[1]);
        return false;
      }
      if (kWriteDataHeadSize + bytes != dataSize) {
        *why = "write data of " + std::to_string(bytes) + " bytes in " +
               std::to_string(dataSize - kWriteDataHeadSize);
        return false;
      }
      request->kind = S7Request::Kind::kWrite;
      request->data = data + kWriteDataHeadSize;
      request->dataSize = bytes;
      return true;
    }

    default:
      request->kind = S7Request::Kind::kOther;
      return true;
  }
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

void EncodeS7ReadAnswer(std::vector<uint8_t>& out, uint16_t reference, uint8_t returnCode,
                        const uint8_t* data, std::size_t size) {
  const bool success = returnCode == kS7Success;
  if (!success) size = 0;
  AppendAckDataHeader(out, reference, 2, 4 + size, 0);
  out.push_back(kS7ReadVar);
  out.push_back(1);
  out.push_back(returnCode);
  out.push_back(success ? kS7DataBits : 0);
  AppendBig16(out, static_cast<uint16_t>(size * 8));
  if (size != 0) out.insert(out.end(), data, data + size);
}

void EncodeS7WriteAnswer(std::vector<uint8_t>& out, uint16_t reference, uint8_t returnCode) {
  AppendAckDataHeader(out, reference, 2, 1, 0);
  out.push_back(kS7WriteVar);
  out.push_back(1);
  out.push_back(returnCode);
}

void EncodeS7HeaderError(std::vector<uint8_t>& out, uint16_t reference, uint8_t function,
                         uint16_t error) {
  AppendAckDataHeader(out, reference, 2, 0, error);
  out.push_back(function);
  out.push_back(0);
}

}  // namespace plcsim

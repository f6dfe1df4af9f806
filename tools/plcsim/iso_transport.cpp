#include "iso_transport.h"

#include <algorithm>

#include "core/byte_order.h"
#include "hex_text.h"

namespace plcsim {
namespace {

// Connect request: LI, code, destination reference, source reference, class: 7 bytes before the
// parameters; LI counts the 6 after itself (ISO 8073, 13.3).
constexpr std::size_t kConnectFixedSize = 7;
constexpr uint8_t kParameterTpduSize = 0xC0;
constexpr uint8_t kParameterCallingTsap = 0xC1;
constexpr uint8_t kParameterCalledTsap = 0xC2;

void AppendTpktHeader(std::vector<uint8_t>& out, std::size_t payloadSize) {
  uint8_t header[kTpktHeaderSize] = {kTpktVersion, 0, 0, 0};
  zan::StoreBig16(header + 2, static_cast<uint16_t>(payloadSize + kTpktHeaderSize));
  out.insert(out.end(), header, header + kTpktHeaderSize);
}

void AppendBig16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void AppendTsapParameter(std::vector<uint8_t>& out, uint8_t code, const Tsap& tsap) {
  out.push_back(code);
  out.push_back(static_cast<uint8_t>(tsap.length));
  out.insert(out.end(), tsap.bytes, tsap.bytes + tsap.length);
}

bool ReadTsap(const uint8_t* value, std::size_t length, Tsap* tsap, std::string* why) {
  if (length == 0 || length > kMaxTsapLength) {
    *why = "TSAP of " + std::to_string(length) + " bytes";
    return false;
  }
  std::copy(value, value + length, tsap->bytes);
  tsap->length = length;
  return true;
}

}  // namespace

FrameStatus ScanTpkt(const uint8_t* data, std::size_t size, std::size_t maxLength,
                     std::size_t* frameLength, std::string* why) {
  if (size >= 1 && data[0] != kTpktVersion) {
    *why = "TPKT version " + std::to_string(data[0]);
    return FrameStatus::kBroken;
  }
  if (size < kTpktHeaderSize) return FrameStatus::kIncomplete;
  const std::size_t length = zan::LoadBig16(data + 2);
  if (length < kMinTpktLength || length > maxLength) {
    *why = "TPKT length " + std::to_string(length);
    return FrameStatus::kBroken;
  }
  if (size < length) return FrameStatus::kIncomplete;
  *frameLength = length;
  return FrameStatus::kComplete;
}

uint8_t TpduCode(const uint8_t* tpdu, std::size_t size) {
  return size >= 2 ? static_cast<uint8_t>(tpdu[1] & 0xF0) : 0;
}

bool ParseConnectRequest(const uint8_t* tpdu, std::size_t size, ConnectRequest* request,
                         std::string* why) {
  *request = ConnectRequest{};
  if (size < kConnectFixedSize || TpduCode(tpdu, size) != kCotpConnectRequest) {
    *why = "not a connect request";
    return false;
  }
  const std::size_t end = std::size_t{tpdu[0]} + 1;
  if (end < kConnectFixedSize || end != size) {
    *why = "connect request with length indicator " + std::to_string(tpdu[0]) + " in " +
           std::to_string(size) + " bytes";
    return false;
  }
  request->sourceReference = zan::LoadBig16(tpdu + 4);
  std::size_t at = kConnectFixedSize;
  while (at < end) {
    if (end - at < 2 || end - at - 2 < tpdu[at + 1]) {
      *why = "connect request parameter past its end";
      return false;
    }
    const uint8_t code = tpdu[at];
    const std::size_t length = tpdu[at + 1];
    const uint8_t* value = tpdu + at + 2;
    if (code == kParameterTpduSize) {
      if (length != 1 || value[0] < kMinTpduSizeCode || value[0] > 0x0D) {
        *why = "TPDU size parameter";
        return false;
      }
      request->tpduSizeCode = value[0];
    } else if (code == kParameterCallingTsap) {
      if (!ReadTsap(value, length, &request->calling, why)) return false;
    } else if (code == kParameterCalledTsap) {
      if (!ReadTsap(value, length, &request->called, why)) return false;
    }
    // Other parameters (checksum, version, options) are of no use to class 0 and are skipped.
    at += 2 + length;
  }
  return true;
}

bool ParseDataTpdu(const uint8_t* tpdu, std::size_t size, DataTpdu* data, std::string* why) {
  if (size < kCotpDataHeaderSize || tpdu[0] != kCotpDataHeaderSize - 1 || tpdu[1] != kCotpData) {
    *why = "data TPDU header";
    return false;
  }
  data->data = tpdu + kCotpDataHeaderSize;
  data->size = size - kCotpDataHeaderSize;
  data->last = (tpdu[2] & kCotpEndOfMessage) != 0;
  return true;
}

void AppendConnectConfirm(std::vector<uint8_t>& out, const ConnectRequest& request,
                          uint16_t ownReference, uint8_t sizeCode) {
  std::vector<uint8_t> tpdu = {0, kCotpConnectConfirm};
  AppendBig16(tpdu, request.sourceReference);
  AppendBig16(tpdu, ownReference);
  tpdu.push_back(0);  // class 0
  if (request.tpduSizeCode != 0) {
    tpdu.push_back(kParameterTpduSize);
    tpdu.push_back(1);
    tpdu.push_back(sizeCode);
  }
  if (request.calling.length != 0)
    AppendTsapParameter(tpdu, kParameterCallingTsap, request.calling);
  if (request.called.length != 0) AppendTsapParameter(tpdu, kParameterCalledTsap, request.called);
  tpdu[0] = static_cast<uint8_t>(tpdu.size() - 1);
  AppendTpktHeader(out, tpdu.size());
  out.insert(out.end(), tpdu.begin(), tpdu.end());
}

void AppendDisconnectRequest(std::vector<uint8_t>& out, uint16_t destinationReference,
                             uint16_t ownReference, uint8_t reason) {
  const uint8_t tpdu[7] = {6,
                           kCotpDisconnectRequest,
                           static_cast<uint8_t>(destinationReference >> 8),
                           static_cast<uint8_t>(destinationReference),
                           static_cast<uint8_t>(ownReference >> 8),
                           static_cast<uint8_t>(ownReference),
                           reason};
  AppendTpktHeader(out, sizeof tpdu);
  out.insert(out.end(), tpdu, tpdu + sizeof tpdu);
}

void AppendDataTpdus(std::vector<uint8_t>& out, const uint8_t* data, std::size_t size,
                     std::size_t tpduSize) {
  const std::size_t room = tpduSize - kCotpDataHeaderSize;
  std::size_t at = 0;
  do {
    const std::size_t part = std::min(room, size - at);
    const bool last = at + part == size;
    AppendTpktHeader(out, kCotpDataHeaderSize + part);
    out.push_back(kCotpDataHeaderSize - 1);
    out.push_back(kCotpData);
    out.push_back(last ? kCotpEndOfMessage : 0);
    out.insert(out.end(), data + at, data + at + part);
    at += part;
  } while (at < size);
}

std::string TsapText(const Tsap& tsap) {
  std::size_t length = tsap.length;
  while (length > 0 && tsap.bytes[length - 1] == 0)
    --length;
  bool printable = length > 0;
  for (std::size_t i = 0; i < length; ++i)
    printable = printable && tsap.bytes[i] >= 0x20 && tsap.bytes[i] < 0x7F;
  if (printable) return "\"" + std::string(tsap.bytes, tsap.bytes + length) + "\"";
  return HexBytes(tsap.bytes, tsap.length);
}

}  // namespace plcsim

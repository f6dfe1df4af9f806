#include "quaxnet/wire_iso.h"

#include <cstring>

#include "core/byte_order.h"

namespace quaxnet {
namespace {

constexpr uint8_t kConnectRequest = 0xE0;
constexpr uint8_t kConnectConfirm = 0xD0;
constexpr uint8_t kDisconnectRequest = 0x80;
constexpr uint8_t kData = 0xF0;
constexpr uint8_t kEndOfMessage = 0x80;
constexpr uint8_t kClass0 = 0x00;

constexpr uint8_t kParameterTpduSize = 0xC0;
constexpr uint8_t kParameterCallingTsap = 0xC1;
constexpr uint8_t kParameterCalledTsap = 0xC2;

// LI counts the bytes after itself: type, two references and the class byte make 6.
constexpr std::size_t kConnectFixedBytes = 6;

void PutTpktHeader(uint8_t* out, std::size_t total) {
  out[0] = kTpktVersion;
  out[1] = 0;
  zan::StoreBig16(out + 2, static_cast<uint16_t>(total));
}

std::size_t PutTsap(uint8_t* out, uint8_t code, const Tsap& tsap) {
  out[0] = code;
  out[1] = tsap.length;
  std::memcpy(out + 2, tsap.bytes, tsap.length);
  return 2u + tsap.length;
}

}  // namespace

TpktCheck CheckTpkt(const uint8_t* bytes, std::size_t available, std::size_t* length) {
  if (available >= 1 && bytes[0] != kTpktVersion) return TpktCheck::kMalformed;
  if (available < kTpktHeaderBytes) return TpktCheck::kIncomplete;
  const std::size_t total = zan::LoadBig16(bytes + 2);
  if (total < kMinTpktBytes || total > kMaxTpktBytes) return TpktCheck::kMalformed;
  if (available < total) return TpktCheck::kIncomplete;
  *length = total;
  return TpktCheck::kComplete;
}

std::size_t EncodeConnectRequest(uint8_t* out, std::size_t capacity, uint16_t sourceReference,
                                 const Tsap& local, const Tsap& remote) {
  if (local.length > kMaxTsapBytes || remote.length > kMaxTsapBytes) return 0;
  const std::size_t parameters = 3 + (2u + local.length) + (2u + remote.length);
  const std::size_t total = kTpktHeaderBytes + 1 + kConnectFixedBytes + parameters;
  if (capacity < total) return 0;
  uint8_t* tpdu = out + kTpktHeaderBytes;
  tpdu[0] = static_cast<uint8_t>(kConnectFixedBytes + parameters);
  tpdu[1] = kConnectRequest;
  zan::StoreBig16(tpdu + 2, 0);  // destination reference: unknown yet
  zan::StoreBig16(tpdu + 4, sourceReference);
  tpdu[6] = kClass0;
  uint8_t* p = tpdu + 7;
  p[0] = kParameterTpduSize;
  p[1] = 1;
  p[2] = kTpduSizeCodeAsked;
  p += 3;
  p += PutTsap(p, kParameterCallingTsap, local);
  PutTsap(p, kParameterCalledTsap, remote);
  PutTpktHeader(out, total);
  return total;
}

std::size_t EncodeDataMessage(uint8_t* out, std::size_t capacity, const uint8_t* message,
                              std::size_t size, std::size_t tpduBytes) {
  if (tpduBytes <= kDataHeaderBytes) return 0;
  const std::size_t perTpdu = tpduBytes - kDataHeaderBytes;
  std::size_t written = 0;
  std::size_t done = 0;
  do {
    const std::size_t chunk = size - done < perTpdu ? size - done : perTpdu;
    const std::size_t total = kTpktHeaderBytes + kDataHeaderBytes + chunk;
    if (capacity - written < total) return 0;
    uint8_t* tpkt = out + written;
    PutTpktHeader(tpkt, total);
    tpkt[4] = 2;  // LI
    tpkt[5] = kData;
    tpkt[6] = done + chunk == size ? kEndOfMessage : 0;
    if (chunk != 0) std::memcpy(tpkt + 7, message + done, chunk);
    written += total;
    done += chunk;
  } while (done < size);
  return written;
}

Tpdu DecodeTpdu(const uint8_t* tpdu, std::size_t size) {
  Tpdu result;
  if (size < 2) return result;
  const std::size_t headerBytes = 1u + tpdu[0];  // LI and what it counts
  if (headerBytes > size) return result;
  const uint8_t type = tpdu[1] & 0xF0;
  if (type == kData) {
    // Class 0 data: LI 2, then the end-of-message flag and a zero sequence number.
    if (tpdu[0] != 2) return result;
    result.kind = TpduKind::kData;
    result.endOfMessage = (tpdu[2] & kEndOfMessage) != 0;
    result.data = tpdu + kDataHeaderBytes;
    result.dataSize = size - kDataHeaderBytes;
    return result;
  }
  if (type == kDisconnectRequest) {
    result.kind = TpduKind::kDisconnect;
    return result;
  }
  if (type != kConnectConfirm || headerBytes < 1 + kConnectFixedBytes) return result;
  if ((tpdu[6] & 0xF0) != kClass0) return result;
  result.destinationReference = zan::LoadBig16(tpdu + 2);
  result.tpduSizeCode = kTpduSizeCodeDefault;
  // Parameters: code, length, value, up to the end of the header.
  std::size_t at = 1 + kConnectFixedBytes;
  while (at < headerBytes) {
    if (headerBytes - at < 2) return result;
    const uint8_t code = tpdu[at];
    const std::size_t length = tpdu[at + 1];
    if (headerBytes - at - 2 < length) return result;
    if (code == kParameterTpduSize) {
      if (length != 1) return result;
      result.tpduSizeCode = tpdu[at + 2];
    }
    at += 2 + length;
  }
  if (result.tpduSizeCode < kTpduSizeCodeDefault || result.tpduSizeCode > kTpduSizeCodeAsked)
    return result;
  result.kind = TpduKind::kConnectConfirm;
  return result;
}

}  // namespace quaxnet

#include "transport/connect_request.h"

#include <algorithm>
#include <cstring>

#include "core/driver_state.h"
#include "transport/ip_address.h"

namespace zan {
namespace {

void CopyTsapText(uint8_t (&field)[kTsapLength], const char* text) {
  std::memset(field, 0, sizeof field);
  for (std::size_t i = 0; i < sizeof field && text[i] != '\0'; ++i) {
    field[i] = static_cast<uint8_t>(text[i]);
  }
}

}  // namespace

ConnectRequest MakeConnectRequest(const DriverState& state, const PlcEntry& plc) {
  ConnectRequest block;
  std::memset(&block, 0, sizeof block);
  block.length = kConnectRequestLength;
  block.parameterOffset = offsetof(ConnectRequest, port);
  // The row may come from a block that Init never reset: never read past the field.
  char address[kIpAddressBytes + 1];
  std::memcpy(address, plc.ipAddress, kIpAddressBytes);
  address[kIpAddressBytes] = '\0';
  block.ipAddress = IpAddressToNumber(address);
  block.port = kIsoOnTcpPort;
  block.constant56 = 2;
  block.constant57 = 4;
  block.constant58 = 1045;
  // The field is 16 bits wide: a longer time-out asks for the longest it holds rather than for its
  // low 16 bits (65536 ms would be none at all).
  block.timeout = static_cast<uint16_t>(std::clamp<int32_t>(state.timeout, 0, kConnectTimeoutMax));
  block.constant62 = 24;
  return block;
}

void SetS7Tsaps(ConnectRequest& block, uint8_t slot) {
  std::memset(block.remoteTsap, 0, sizeof block.remoteTsap);
  std::memset(block.localTsap, 0, sizeof block.localTsap);
  block.remoteTsapLength = 2;
  block.remoteTsap[0] = 0x03;  // connection type 3, rack 0
  block.remoteTsap[1] = slot;
  block.localTsapLength = 2;
  block.localTsap[0] = 0x01;
  block.localTsap[1] = 0x01;
}

void SetS5RemoteTsap(ConnectRequest& block, const char* text) {
  block.remoteTsapLength = kTsapLength;
  CopyTsapText(block.remoteTsap, text);
}

void SetS5LocalTsap(ConnectRequest& block, const char* text) {
  block.localTsapLength = kTsapLength;
  CopyTsapText(block.localTsap, text);
}

}  // namespace zan

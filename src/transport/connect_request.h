// The connection request block that the transport's open operations take: 86 bytes, little-endian,
// built on the stack for each attempt. The transport writes the new handle and the connection
// status into it.
#ifndef ZAN_TRANSPORT_CONNECT_REQUEST_H_
#define ZAN_TRANSPORT_CONNECT_REQUEST_H_

#include <cstddef>
#include <cstdint>

extern "C" {

#pragma pack(push, 1)
struct ConnectRequest {
  uint16_t length;           // 86
  uint16_t reserved2;        // 0
  uint16_t handle;           // output: the new connection handle
  uint16_t status;           // output: the connection status
  uint16_t parameterOffset;  // 54: where the parameter section starts
  uint32_t ipAddress;        // the PLC's IPv4 address as a number in host byte order
  uint8_t reserved14[40];    // 0
  uint16_t port;             // 102, ISO-on-TCP (RFC 1006)
  uint8_t constant56;        // 2
  uint8_t constant57;        // 4
  uint16_t constant58;       // 1045
  uint16_t timeout;          // the driver time-out in ms, at most 65535
  uint16_t constant62;       // 24
  uint8_t remoteTsapLength;
  uint8_t remoteTsap[8];
  uint8_t localTsapLength;
  uint8_t localTsap[8];
  uint8_t reserved82[4];  // 0
};
#pragma pack(pop)

}  // extern "C"

static_assert(offsetof(ConnectRequest, length) == 0);
static_assert(offsetof(ConnectRequest, reserved2) == 2);
static_assert(offsetof(ConnectRequest, handle) == 4);
static_assert(offsetof(ConnectRequest, status) == 6);
static_assert(offsetof(ConnectRequest, parameterOffset) == 8);
static_assert(offsetof(ConnectRequest, ipAddress) == 10);
static_assert(offsetof(ConnectRequest, reserved14) == 14);
static_assert(offsetof(ConnectRequest, port) == 54);
static_assert(offsetof(ConnectRequest, constant56) == 56);
static_assert(offsetof(ConnectRequest, constant57) == 57);
static_assert(offsetof(ConnectRequest, constant58) == 58);
static_assert(offsetof(ConnectRequest, timeout) == 60);
static_assert(offsetof(ConnectRequest, constant62) == 62);
static_assert(offsetof(ConnectRequest, remoteTsapLength) == 64);
static_assert(offsetof(ConnectRequest, remoteTsap) == 65);
static_assert(offsetof(ConnectRequest, localTsapLength) == 73);
static_assert(offsetof(ConnectRequest, localTsap) == 74);
static_assert(sizeof(ConnectRequest) == 86);

struct DriverState;
struct PlcEntry;

namespace zan {

constexpr uint16_t kConnectRequestLength = 86;
constexpr uint16_t kIsoOnTcpPort = 102;  // RFC 1006
constexpr uint8_t kTsapLength = 8;
constexpr int32_t kConnectTimeoutMax = 0xFFFF;  // the block's time-out field is 16 bits

// A block for `plc` with everything but the TSAPs: length, parameter offset, address, port, the
// constants and the time-out (the driver's, held to 0..65535). Every other byte is zero.
ConnectRequest MakeConnectRequest(const DriverState& state, const PlcEntry& plc);

// The TSAPs of an S7 connection: remote 03 <slot>, local 01 01, each of length 2.
void SetS7Tsaps(ConnectRequest& block, uint8_t slot);

// An S5 TSAP field: length 8, the text copied as a string (at most 8 bytes, stopping at the first
// zero byte, the remainder zero). `text` may lack a terminator; nothing past its 8th byte is read.
void SetS5RemoteTsap(ConnectRequest& block, const char* text);
void SetS5LocalTsap(ConnectRequest& block, const char* text);

}  // namespace zan

#endif  // ZAN_TRANSPORT_CONNECT_REQUEST_H_

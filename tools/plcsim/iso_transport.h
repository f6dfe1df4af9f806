// The ISO transport on TCP as the PLCs speak it: TPKT framing (RFC 1006) around COTP class 0
// TPDUs (ISO 8073): connect request and confirm, disconnect request, data. Server side only: it
// reads what a client sends and frames what the PLC answers. Every length is checked against the
// bytes present; nothing here keeps state.
//
//   TPKT: 03 00 LL LL <TPDU>                  LLLL counts the 4 header bytes too
//   CR:   LI E0 00 00 SS SS CL <parameters>   C0 01 <size code>, C1 nn <calling>, C2 nn <called>
//   CC:   LI D0 DD DD SS SS 00 <parameters>
//   DR:   06 80 DD DD SS SS RR
//   DT:   02 F0 E0 <user data>                E0: 80 = last TPDU of the message, 00 = more follow
#ifndef ZAN_PLCSIM_ISO_TRANSPORT_H_
#define ZAN_PLCSIM_ISO_TRANSPORT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plcsim {

constexpr std::size_t kTpktHeaderSize = 4;
constexpr uint8_t kTpktVersion = 3;
// A TPKT carries at least a DT header: 4 + 3 bytes (RFC 1006; docs/wire.md, TPKT).
constexpr std::size_t kMinTpktLength = 7;

// TPDU size codes: 2^code bytes, 0x07 (128) to 0x0D (8192) (ISO 8073, 13.3.4 b). The simulator
// grants what the client proposes up to 0x0B (2048), which bounds its receive buffer.
constexpr uint8_t kMinTpduSizeCode = 0x07;
constexpr uint8_t kMaxGrantedTpduSizeCode = 0x0B;
constexpr std::size_t kMaxTpduSize = std::size_t{1} << kMaxGrantedTpduSizeCode;
// Without a proposal class 0 uses 128 bytes (ISO 8073, 13.3.4 b).
constexpr uint8_t kDefaultTpduSizeCode = 0x07;
constexpr std::size_t kMaxTpktLength = kTpktHeaderSize + kMaxTpduSize;

constexpr uint8_t kCotpConnectRequest = 0xE0;
constexpr uint8_t kCotpConnectConfirm = 0xD0;
constexpr uint8_t kCotpDisconnectRequest = 0x80;
constexpr uint8_t kCotpData = 0xF0;
constexpr uint8_t kCotpEndOfMessage = 0x80;
constexpr std::size_t kCotpDataHeaderSize = 3;

// Disconnect reasons (ISO 8073, 13.5.3 e).
constexpr uint8_t kReasonNotSpecified = 0;
constexpr uint8_t kReasonAddressUnknown = 3;

// TSAPs longer than this are refused as malformed; PLC TSAPs have 2 (S7) or 8 (S5) bytes.
constexpr std::size_t kMaxTsapLength = 32;

enum class FrameStatus { kIncomplete, kComplete, kBroken };

// Looks at the bytes at the start of a stream: a whole TPKT of `*frameLength` bytes, not all of it
// yet, or a header that no TPKT can have (version other than 3, length below 7 or above
// `maxLength`), with `why` filled.
FrameStatus ScanTpkt(const uint8_t* data, std::size_t size, std::size_t maxLength,
                     std::size_t* frameLength, std::string* why);

// The TPDU code of a TPDU (its second byte without the credit nibble); 0 when too short.
uint8_t TpduCode(const uint8_t* tpdu, std::size_t size);

struct Tsap {
  uint8_t bytes[kMaxTsapLength] = {};
  std::size_t length = 0;
};

struct ConnectRequest {
  uint16_t sourceReference = 0;
  uint8_t tpduSizeCode = 0;  // 0: the client proposed none
  Tsap calling;
  Tsap called;
};

// Decodes a connect request TPDU (the TPKT payload). False, with `why`, when malformed.
bool ParseConnectRequest(const uint8_t* tpdu, std::size_t size, ConnectRequest* request,
                         std::string* why);

struct DataTpdu {
  const uint8_t* data = nullptr;
  std::size_t size = 0;
  bool last = false;  // the end of the message (TSDU)
};

// Decodes a data TPDU. False, with `why`, when malformed.
bool ParseDataTpdu(const uint8_t* tpdu, std::size_t size, DataTpdu* data, std::string* why);

// The TPDU size that a code stands for.
inline std::size_t TpduSize(uint8_t code) {
  return std::size_t{1} << code;
}

// Appends, each in its TPKT: the connect confirm for `request` (granting `sizeCode`, echoing the
// TSAPs), a disconnect request, and `size` bytes of user data split into data TPDUs of at most
// `tpduSize` bytes.
void AppendConnectConfirm(std::vector<uint8_t>& out, const ConnectRequest& request,
                          uint16_t ownReference, uint8_t sizeCode);
void AppendDisconnectRequest(std::vector<uint8_t>& out, uint16_t destinationReference,
                             uint16_t ownReference, uint8_t reason);
void AppendDataTpdus(std::vector<uint8_t>& out, const uint8_t* data, std::size_t size,
                     std::size_t tpduSize);

// A TSAP as text for log lines: hexadecimal bytes, or quoted text when every byte is printable.
std::string TsapText(const Tsap& tsap);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_ISO_TRANSPORT_H_

// Byte layouts of ISO-on-TCP: the TPKT of RFC 1006 around each COTP TPDU of ISO 8073 class 0.
// The only place that knows these bytes; the connection works with the decoded forms below.
//
//   TPKT:  03 00 LL LL <TPDU>                      LLLL = total length, header included
//   CR:    LI E0 00 00 SS SS 00 C0 01 0A C1 nn <local TSAP> C2 nn <remote TSAP>
//   CC:    LI D0 DD DD SS SS 00 [parameters]       DDDD = our source reference
//   DR:    LI 80 ...                               the peer refuses or ends the connection
//   DT:    02 F0 8E <user data>                    E = 1 on the last TPDU of a message
//
// Every encoder returns the number of bytes written, or 0 when `capacity` is too small. Decoders
// check every length before they read.
#ifndef QUAXNET_WIRE_ISO_H_
#define QUAXNET_WIRE_ISO_H_

#include <cstddef>
#include <cstdint>

namespace quaxnet {

// RFC 1006: a 4-byte header; the length counts it; the smallest TPKT carries a 3-byte DT header.
constexpr std::size_t kTpktHeaderBytes = 4;
constexpr uint8_t kTpktVersion = 3;
constexpr std::size_t kMinTpktBytes = 7;

// ISO 8073 TPDU sizes are powers of two, named by their exponent (C0 parameter): 128 (7) to
// 8192 (13). We ask for 1024; the peer may confirm that or less, and without a C0 parameter class
// 0 falls back to 128.
constexpr uint8_t kTpduSizeCodeAsked = 0x0A;
constexpr uint8_t kTpduSizeCodeDefault = 0x07;
constexpr std::size_t kMaxTpduBytes = std::size_t{1} << kTpduSizeCodeAsked;
// Nothing larger than the TPDU size we asked for may arrive.
constexpr std::size_t kMaxTpktBytes = kTpktHeaderBytes + kMaxTpduBytes;
constexpr std::size_t kDataHeaderBytes = 3;  // 02 F0 80

// A TSAP as the connection request block carries it: at most 8 bytes.
constexpr std::size_t kMaxTsapBytes = 8;
struct Tsap {
  uint8_t length = 0;
  uint8_t bytes[kMaxTsapBytes] = {};
};

enum class TpktCheck { kIncomplete, kComplete, kMalformed };

// Looks at the start of a byte stream: is a whole TPKT there? On kComplete `*length` is its total
// length. A version other than 3, or a length below 7 or above kMaxTpktBytes, is malformed.
TpktCheck CheckTpkt(const uint8_t* bytes, std::size_t available, std::size_t* length);

// A TPKT with the connect request.
std::size_t EncodeConnectRequest(uint8_t* out, std::size_t capacity, uint16_t sourceReference,
                                 const Tsap& local, const Tsap& remote);

// TPKTs of DT TPDUs carrying `message`, split so that no TPDU exceeds `tpduBytes`.
std::size_t EncodeDataMessage(uint8_t* out, std::size_t capacity, const uint8_t* message,
                              std::size_t size, std::size_t tpduBytes);

enum class TpduKind { kConnectConfirm, kDisconnect, kData, kMalformed };

struct Tpdu {
  TpduKind kind = TpduKind::kMalformed;
  // Connect confirm:
  uint16_t destinationReference = 0;
  uint8_t tpduSizeCode = 0;  // confirmed TPDU size; kTpduSizeCodeDefault when absent
  // Data:
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
  bool endOfMessage = false;
};

// Decodes the TPDU inside a TPKT (`tpdu` points past the TPKT header). A TPDU of another kind
// (connect request, error, expedited data...) or with inconsistent lengths is kMalformed, as is a
// confirm that names a class other than 0 or a TPDU size outside 128 to 1024.
Tpdu DecodeTpdu(const uint8_t* tpdu, std::size_t size);

}  // namespace quaxnet

#endif  // QUAXNET_WIRE_ISO_H_

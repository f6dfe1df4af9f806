// The bytes a client of a PLC sends and takes back, as zanhost's own tools speak them (probe, the
// bare client of bench): ISO-on-TCP (RFC 1006 TPKTs around ISO 8073 class 0 TPDUs), S7
// communication and the S5 fetch service. Layouts as docs/wire.md gives them:
//
//   TPKT             03 00 LL LL <TPDU>
//   connect request  LI E0 00 00 SS SS 00 C0 01 0A C1 nn <local TSAP> C2 nn <remote TSAP>
//   connect confirm  LI D0 DD DD SS SS CC [parameters]      disconnect  LI 80 DD DD SS SS RR
//   data             02 F0 80 <user data>                   80: the last TPDU of a message
//   S7 job           32 01 00 00 PP PP AA AA DD DD <parameters> <data>
//   S7 ack-data      32 03 00 00 PP PP AA AA DD DD EC ED <parameters> <data>
//   S7 user data     32 07 00 00 PP PP AA AA DD DD <parameters> <data>
//   setup            F0 00 00 01 00 01 NN NN                 NN NN: the PDU size
//   read var         04 01 12 0A 10 02 LL LL DB DB AR AD AD AD; answer data RC TS BB BB <bytes>
//   read SZL         00 01 12 04 11 44 01 00, data FF 09 00 04 ID ID IX IX
//                    answer 00 01 12 08 12 84 01 SQ DR LD EE EE, data RC TS LL LL <SZL>
//   S5 fetch         53 35 10 01 03 05 03 08 AR DB ST ST LL LL FF 02
//                    answer 53 35 10 01 03 06 0F 03 ER FF 07 00 00 00 00 00 <data>
//
// Every decoder takes bytes from the network: it checks each length against the bytes present
// before it reads, and says in words what does not fit.
#ifndef ZAN_TOOLS_ZANHOST_PROBE_PLC_FRAMES_H_
#define ZAN_TOOLS_ZANHOST_PROBE_PLC_FRAMES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

using Bytes = std::vector<uint8_t>;

constexpr std::size_t kTpktHeaderBytes = 4;
// The largest TPKT taken: a TPDU of 1024 bytes, the size a connect request asks for.
constexpr std::size_t kMaxTpktBytes = kTpktHeaderBytes + 1024;
// The PDU size setup communication asks for.
constexpr uint16_t kPduSizeAsked = 960;

constexpr uint8_t kS7AreaDataBlock = 0x84;
constexpr uint8_t kS5AreaDataBlock = 0x01;
constexpr uint8_t kS7ItemSuccess = 0xFF;

// The TSAPs of an S7 connection to rack 0 and `slot`: local 01 01, remote 03 <slot>.
Bytes S7LocalTsap();
Bytes S7RemoteTsap(uint8_t slot);
// An S5 TSAP as a connection request carries it: the first 8 characters of `text`, up to a zero
// byte, the rest zero bytes.
Bytes S5Tsap(const std::string& text);
// A TSAP for people: the text of a printable one in quotes, without the blanks that pad it; hex
// bytes otherwise ("01 01").
std::string TsapText(const Bytes& tsap);
std::string HexText(const uint8_t* bytes, std::size_t size);

// Requests, each whole TPKTs. User data goes in one data TPDU (every request here is small).
Bytes EncodeConnectRequest(uint16_t sourceReference, const Bytes& localTsap,
                           const Bytes& remoteTsap);
Bytes EncodeDataTpkt(const Bytes& userData);
Bytes EncodeS7Setup(uint16_t reference, uint16_t pduSize);
Bytes EncodeS7ReadVar(uint16_t reference, uint8_t area, uint16_t dataBlock, uint32_t byte,
                      uint16_t length);
Bytes EncodeS7ReadSzl(uint16_t reference, uint16_t id, uint16_t index);
Bytes EncodeS5Fetch(uint8_t area, uint8_t dataBlock, uint16_t start, uint16_t words);

enum class TpktScan { kIncomplete, kComplete, kBroken };
// Whether `bytes` start with a whole TPKT (its length in `*length`); kBroken for a version other
// than 3 or a length below 7 or above kMaxTpktBytes.
TpktScan ScanTpkt(const uint8_t* bytes, std::size_t size, std::size_t* length);

struct Tpdu {
  enum class Kind { kConnectConfirm, kDisconnect, kData, kOther };
  Kind kind = Kind::kOther;
  uint16_t destinationReference = 0;
  uint8_t tpduSizeCode = 7;  // connect confirm: the size confirmed, 2^code bytes (128 without C0)
  uint8_t reason = 0;        // disconnect
  bool last = false;         // data
  const uint8_t* data = nullptr;
  std::size_t size = 0;
};

// The TPDU of a whole TPKT (header included). False, with `why`, when its lengths do not fit.
bool DecodeTpdu(const uint8_t* tpkt, std::size_t size, Tpdu* tpdu, std::string* why);

// An S7 answer's header: ack-data (03) or user data (07), the PDU reference `reference`, the
// lengths equal to the bytes present.
struct S7Answer {
  uint8_t type = 0;
  uint16_t error = 0;  // ack-data: error class << 8 | code
  const uint8_t* parameter = nullptr;
  std::size_t parameterSize = 0;
  const uint8_t* data = nullptr;
  std::size_t dataSize = 0;
};
bool DecodeS7Answer(const uint8_t* pdu, std::size_t size, uint16_t reference, S7Answer* answer,
                    std::string* why);

// The PDU size a setup answer grants; false, with `why`, when it is no setup answer. A refusal
// (`answer.error`) is no failure to decode: `*pduSize` is then 0.
bool DecodeS7SetupAnswer(const S7Answer& answer, uint16_t* pduSize, std::string* why);

// The item of a read var answer: its return code, and with FF its bytes (exactly `length`).
struct ReadResult {
  uint8_t returnCode = 0;
  Bytes data;
};
bool DecodeS7ReadAnswer(const S7Answer& answer, uint16_t length, ReadResult* result,
                        std::string* why);

// A read-SZL answer: the user-data error (0 when served; 0xFF00 + the return code of its data when
// that says no without an error) and the list: its ID, index, record size and records.
struct SzlList {
  uint16_t error = 0;
  uint16_t id = 0;
  uint16_t index = 0;
  uint16_t recordSize = 0;
  std::vector<Bytes> records;
};
bool DecodeS7SzlAnswer(const S7Answer& answer, SzlList* list, std::string* why);

// An S5 fetch answer: the error number (0 done) and, when done, its `bytes` of data.
struct S5FetchResult {
  uint8_t error = 0;
  Bytes data;
};
bool DecodeS5FetchAnswer(const uint8_t* telegram, std::size_t size, std::size_t bytes,
                         S5FetchResult* result, std::string* why);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PROBE_PLC_FRAMES_H_

// The eleven operations of the transport library (Quaxnet), and the records they take.
//
// The driver drives every PLC connection through this one table. The open-library step fills it
// from the library (transport_binding.h); tests install a scripted table instead. Every result is
// an int of which the low 16 bits count (signed for the open and close of the library); handles are
// passed as 32-bit values of which the low 16 bits count.
#ifndef ZAN_TRANSPORT_TRANSPORT_OPERATIONS_H_
#define ZAN_TRANSPORT_TRANSPORT_OPERATIONS_H_

#include <cstdint>

#include "transport/connect_request.h"

#if defined(_WIN32)
#define ZAN_STDCALL __stdcall
#else
#define ZAN_STDCALL
#endif

extern "C" {

// What a read or write request asks for: five unsigned 16-bit words.
struct TransferRecord {
  uint16_t connection;  // handle of the connection that carries the request
  uint16_t area;        // 1 data block, 2 flags, 3 inputs, 4 outputs
  uint16_t dbNumber;    // data block number; 0 outside data blocks
  uint16_t start;       // bytes on an S7; data words in S5 data blocks
  uint16_t length;      // in the unit of start
};

struct TransportOperations {
  int(ZAN_STDCALL* QxOpenLibrary)();                                           // 252
  int(ZAN_STDCALL* QxCloseLibrary)();                                          // 253
  int(ZAN_STDCALL* QxOpenS7Connection)(ConnectRequest* block, uint32_t zero);  // 225
  int(ZAN_STDCALL* QxOpenS5Connection)(ConnectRequest* block);                 // 224
  int(ZAN_STDCALL* QxConnectionState)(uint32_t handle);                        // 124
  int(ZAN_STDCALL* QxCloseConnection)(uint32_t handle);                        // 101
  int(ZAN_STDCALL* QxRestartConnection)(uint32_t handle);                      // 125
  int(ZAN_STDCALL* QxSendRead)(TransferRecord* record);                        // 103
  int(ZAN_STDCALL* QxReceiveRead)(uint32_t size, void* buffer, uint16_t* status,
                                  uint32_t handle);                           // 104
  int(ZAN_STDCALL* QxSendWrite)(TransferRecord* record, const void* buffer);  // 106
  int(ZAN_STDCALL* QxWriteCompletion)(uint16_t* status, uint32_t handle);     // 107
};

}  // extern "C"

static_assert(sizeof(TransferRecord) == 10);

namespace zan {

// Answers of the operations that the driver relies on.
constexpr int kConnectionEstablished = 0;  // QxConnectionState
constexpr int kRestarted = 1;              // QxRestartConnection
constexpr uint16_t kOpenStatusAccepted = 0;
constexpr uint16_t kOpenStatusAcceptedPending = 3;

// Answers of the send, receive and completion operations that the reads and writes rely on.
constexpr uint16_t kAnswerDone = 0;
constexpr uint16_t kAnswerUnknownHandle = 2;  // no connection has the handle
constexpr uint16_t kAnswerBusy = 3;           // send: try again; receive, completion: request lost
constexpr uint16_t kAnswerNothingYet = 6;     // receive, completion: not yet
constexpr uint16_t kAnswerNothingYetAlt = 7;
constexpr uint16_t kAnswerConnectionFailure = 9;
constexpr uint16_t kAnswerResponsePending = 14;  // send: an earlier answer is still to collect

// Area codes of the transfer record.
constexpr uint16_t kAreaDataBlock = 1;
constexpr uint16_t kAreaFlags = 2;
constexpr uint16_t kAreaInputs = 3;
constexpr uint16_t kAreaOutputs = 4;

// The low 16 bits of a result, which are all that count.
inline uint16_t ResultCode(int result) {
  return static_cast<uint16_t>(result);
}

// The same taken as signed, for the open and close of the library.
inline int16_t SignedResultCode(int result) {
  return static_cast<int16_t>(result);
}

}  // namespace zan

#endif  // ZAN_TRANSPORT_TRANSPORT_OPERATIONS_H_

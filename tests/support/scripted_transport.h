// A transport for unit tests: each operation answers what the test scripted, in order, and every
// call is recorded with its arguments. Installed through the driver's internal interface while the
// object lives; one at a time.
#ifndef ZAN_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_
#define ZAN_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "transport/transport_operations.h"

namespace zan::testing {

enum class Op {
  kOpenLibrary,        // 252
  kCloseLibrary,       // 253
  kOpenS7,             // 225
  kOpenS5,             // 224
  kConnectionState,    // 124
  kCloseConnection,    // 101
  kRestartConnection,  // 125
  kSendRead,           // 103
  kReceiveRead,        // 104
  kSendWrite,          // 106
  kWriteCompletion,    // 107
};

const char* OpName(Op op);

struct TransportCall {
  Op op;
  uint32_t handle = 0;      // the handle argument, where the operation takes one
  ConnectRequest block{};   // the block as the driver passed it, for the opens
  TransferRecord record{};  // the record as the driver passed it, for the sends
  // For a send-write: the buffer's first 2 x length bytes (the most that the record can describe),
  // as they stood when the write was sent.
  std::vector<uint8_t> data{};
  std::string Describe() const;
};

class ScriptedTransport {
 public:
  ScriptedTransport();
  ~ScriptedTransport();
  ScriptedTransport(const ScriptedTransport&) = delete;
  ScriptedTransport& operator=(const ScriptedTransport&) = delete;

  // The next answers of `op`, in order. When they are used up, `op` answers its fallback.
  void Script(Op op, std::initializer_list<int> results);
  void Fallback(Op op, int result);

  // From the moment the driver's clock (core/clock.h) reads `at`, `op` answers `answer`, as a
  // PLC's answer that is whole from then on; before it, its script and then its fallback.
  void AnswerFrom(Op op, uint64_t at, int answer);

  // The connection state of `handle` answers `answers` in order, then `last` for ever, whatever
  // the script of the connection state says for other handles.
  void ScriptState(uint16_t handle, std::initializer_list<int> answers, int last);

  // The next answer of an open: the result, and the handle and status it writes into the block.
  void ScriptOpen(Op op, int result, uint16_t handle, uint16_t status);
  // The next answer of an open is `result`, and the block is left as the driver passed it.
  void ScriptOpenUntouched(Op op, int result);

  // What each receive-read that answers 0 puts at the start of the driver's buffer (nothing by
  // default), and the status word that every receive-read stores (0 by default).
  void ReadData(std::vector<uint8_t> bytes) { readData_ = std::move(bytes); }
  void ReceiveStatus(uint16_t status) { receiveStatus_ = status; }
  const std::vector<uint8_t>& readData() const { return readData_; }
  uint16_t receiveStatus() const { return receiveStatus_; }

  // The status word that every write completion stores (0 by default).
  void CompletionStatus(uint16_t status) { completionStatus_ = status; }
  uint16_t completionStatus() const { return completionStatus_; }

  // By default the opens answer 0 with status 0 and handles 1, 2, 3, ...; the library opens and
  // closes with 0, every connection is established at the first poll and restarts answer 1.

  const std::vector<TransportCall>& calls() const { return calls_; }
  std::vector<TransportCall> CallsOf(Op op) const;
  int Count(Op op) const;
  // The operations called, in order, as "252", "225 h=0", "124 h=1", ...
  std::vector<std::string> Journal() const;
  void ClearCalls() { calls_.clear(); }

  int Answer(Op op);  // used by the installed operations
  int AnswerState(uint32_t handle);
  void AnswerOpen(Op op, ConnectRequest* block);
  void Record(TransportCall call) { calls_.push_back(call); }

 private:
  struct OpenAnswer {
    int result;
    uint16_t handle;
    uint16_t status;
    bool writesBlock;
  };
  std::map<Op, std::deque<int>> scripted_;
  std::map<Op, int> fallback_;
  std::map<Op, std::pair<uint64_t, int>> from_;
  std::map<Op, std::deque<OpenAnswer>> scriptedOpens_;
  std::map<uint16_t, std::pair<std::deque<int>, int>> scriptedStates_;
  uint16_t nextHandle_ = 1;
  std::vector<uint8_t> readData_;
  uint16_t receiveStatus_ = 0;
  uint16_t completionStatus_ = 0;
  std::vector<TransportCall> calls_;
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_SCRIPTED_TRANSPORT_H_

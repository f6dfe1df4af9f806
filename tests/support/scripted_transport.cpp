#include "support/scripted_transport.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/clock.h"
#include "transport/transport_binding.h"

namespace zan::testing {
namespace {

ScriptedTransport* current = nullptr;

int Simple(Op op, uint32_t handle = 0) {
  current->Record(TransportCall{op, handle, {}});
  return current->Answer(op);
}

int ZAN_STDCALL OpenLibrary() {
  return Simple(Op::kOpenLibrary);
}
int ZAN_STDCALL CloseLibrary() {
  return Simple(Op::kCloseLibrary);
}
int ZAN_STDCALL OpenS7(ConnectRequest* block, uint32_t zero) {
  current->Record(TransportCall{Op::kOpenS7, zero, *block});
  current->AnswerOpen(Op::kOpenS7, block);
  return current->Answer(Op::kOpenS7);
}
int ZAN_STDCALL OpenS5(ConnectRequest* block) {
  current->Record(TransportCall{Op::kOpenS5, 0, *block});
  current->AnswerOpen(Op::kOpenS5, block);
  return current->Answer(Op::kOpenS5);
}
int ZAN_STDCALL ConnectionState(uint32_t handle) {
  current->Record(TransportCall{Op::kConnectionState, handle, {}});
  return current->AnswerState(handle);
}
int ZAN_STDCALL CloseConnection(uint32_t handle) {
  return Simple(Op::kCloseConnection, handle);
}
int ZAN_STDCALL RestartConnection(uint32_t handle) {
  return Simple(Op::kRestartConnection, handle);
}
int Send(Op op, const TransferRecord* record) {
  current->Record(TransportCall{op, record->connection, {}, *record});
  return current->Answer(op);
}
int ZAN_STDCALL SendRead(TransferRecord* record) {
  return Send(Op::kSendRead, record);
}
int ZAN_STDCALL ReceiveRead(uint32_t size, void* buffer, uint16_t* status, uint32_t handle) {
  *status = current->receiveStatus();
  const int result = Simple(Op::kReceiveRead, handle);
  if (static_cast<uint16_t>(result) == 0 && !current->readData().empty()) {
    const std::vector<uint8_t>& data = current->readData();
    std::memcpy(buffer, data.data(), std::min<std::size_t>(size, data.size()));
  }
  return result;
}
int ZAN_STDCALL SendWrite(TransferRecord* record, const void* buffer) {
  TransportCall call{Op::kSendWrite, record->connection, {}, *record};
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  call.data.assign(bytes, bytes + std::min<std::size_t>(2u * record->length, 10000));
  current->Record(call);
  return current->Answer(Op::kSendWrite);
}
int ZAN_STDCALL WriteCompletion(uint16_t* status, uint32_t handle) {
  *status = current->completionStatus();
  return Simple(Op::kWriteCompletion, handle);
}

constexpr TransportOperations kScripted = {
    &OpenLibrary,       &CloseLibrary, &OpenS7,      &OpenS5,    &ConnectionState, &CloseConnection,
    &RestartConnection, &SendRead,     &ReceiveRead, &SendWrite, &WriteCompletion,
};

}  // namespace

const char* OpName(Op op) {
  switch (op) {
    case Op::kOpenLibrary:
      return "252";
    case Op::kCloseLibrary:
      return "253";
    case Op::kOpenS7:
      return "225";
    case Op::kOpenS5:
      return "224";
    case Op::kConnectionState:
      return "124";
    case Op::kCloseConnection:
      return "101";
    case Op::kRestartConnection:
      return "125";
    case Op::kSendRead:
      return "103";
    case Op::kReceiveRead:
      return "104";
    case Op::kSendWrite:
      return "106";
    case Op::kWriteCompletion:
      return "107";
  }
  return "?";
}

std::string TransportCall::Describe() const {
  switch (op) {
    case Op::kOpenLibrary:
    case Op::kCloseLibrary:
    case Op::kOpenS5:
      return OpName(op);
    case Op::kSendRead:
    case Op::kSendWrite:
      return std::string(OpName(op)) + " c=" + std::to_string(record.connection) +
             " a=" + std::to_string(record.area) + " db=" + std::to_string(record.dbNumber) +
             " s=" + std::to_string(record.start) + " l=" + std::to_string(record.length);
    default:
      return std::string(OpName(op)) + " h=" + std::to_string(handle);
  }
}

ScriptedTransport::ScriptedTransport() {
  assert(current == nullptr);
  current = this;
  fallback_[Op::kOpenLibrary] = 0;
  fallback_[Op::kCloseLibrary] = 0;
  fallback_[Op::kOpenS7] = 0;
  fallback_[Op::kOpenS5] = 0;
  fallback_[Op::kConnectionState] = 0;
  fallback_[Op::kCloseConnection] = 0;
  fallback_[Op::kRestartConnection] = 1;
  InstallTransport(&kScripted);
}

ScriptedTransport::~ScriptedTransport() {
  InstallTransport(nullptr);
  current = nullptr;
}

void ScriptedTransport::Script(Op op, std::initializer_list<int> results) {
  scripted_[op].insert(scripted_[op].end(), results.begin(), results.end());
}

void ScriptedTransport::Fallback(Op op, int result) {
  fallback_[op] = result;
}

void ScriptedTransport::AnswerFrom(Op op, uint64_t at, int answer) {
  from_[op] = {at, answer};
}

void ScriptedTransport::ScriptOpen(Op op, int result, uint16_t handle, uint16_t status) {
  scriptedOpens_[op].push_back(OpenAnswer{result, handle, status, true});
}

void ScriptedTransport::ScriptOpenUntouched(Op op, int result) {
  scriptedOpens_[op].push_back(OpenAnswer{result, 0, 0, false});
}

void ScriptedTransport::ScriptState(uint16_t handle, std::initializer_list<int> answers, int last) {
  scriptedStates_[handle] = {std::deque<int>(answers), last};
}

int ScriptedTransport::AnswerState(uint32_t handle) {
  const auto found = scriptedStates_.find(static_cast<uint16_t>(handle));
  if (found == scriptedStates_.end()) return Answer(Op::kConnectionState);
  std::deque<int>& queue = found->second.first;
  if (queue.empty()) return found->second.second;
  const int result = queue.front();
  queue.pop_front();
  return result;
}

int ScriptedTransport::Answer(Op op) {
  const auto from = from_.find(op);
  if (from != from_.end() && DriverClock() >= from->second.first) return from->second.second;
  std::deque<int>& queue = scripted_[op];
  if (queue.empty()) return fallback_[op];
  int result = queue.front();
  queue.pop_front();
  return result;
}

void ScriptedTransport::AnswerOpen(Op op, ConnectRequest* block) {
  std::deque<OpenAnswer>& queue = scriptedOpens_[op];
  if (queue.empty()) {
    block->handle = nextHandle_++;
    block->status = 0;
    return;
  }
  OpenAnswer answer = queue.front();
  queue.pop_front();
  if (answer.writesBlock) {
    block->handle = answer.handle;
    block->status = answer.status;
  }
  // The result of the open comes from the same script entry.
  scripted_[op].push_front(answer.result);
}

std::vector<TransportCall> ScriptedTransport::CallsOf(Op op) const {
  std::vector<TransportCall> found;
  for (const TransportCall& call : calls_) {
    if (call.op == op) found.push_back(call);
  }
  return found;
}

int ScriptedTransport::Count(Op op) const {
  return static_cast<int>(CallsOf(op).size());
}

std::vector<std::string> ScriptedTransport::Journal() const {
  std::vector<std::string> journal;
  for (const TransportCall& call : calls_)
    journal.push_back(call.Describe());
  return journal;
}

}  // namespace zan::testing

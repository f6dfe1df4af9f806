#include "quaxnet/link_failure.h"

#include <cstdarg>
#include <cstdio>

#include "quaxnet/answers.h"
#include "quaxnet/connection_table.h"
#include "quaxnet/trace.h"

namespace quaxnet {
namespace {

struct FailureRecord {
  bool inUse = false;
  Target target;
  LinkFailure failure;
};

constinit FailureRecord records[kMaxConnections];

FailureRecord* RecordOf(uint32_t handle) {
  const uint16_t value = static_cast<uint16_t>(handle);
  if (value == 0 || value > kMaxConnections) return nullptr;
  return &records[value - 1];
}

bool SamePlace(const Target& a, const Target& b) {
  return a.address == b.address && a.port == b.port;
}

// Closed connections to the place of `connection` forget their failures.
void ForgetClosedAt(const Connection& connection) {
  for (FailureRecord& record : records) {
    if (!record.inUse && SamePlace(record.target, connection.target))
      record.failure = LinkFailure{};
  }
}

// A text that is cut, never overrun, at its capacity.
class Text {
 public:
  Text(char* out, std::size_t size) : out_(out), size_(size) { out_[0] = '\0'; }

  [[gnu::format(printf, 2, 3)]] void Add(const char* format, ...) {
    if (used_ + 1 >= size_) return;
    va_list arguments;
    va_start(arguments, format);
    const int written = std::vsnprintf(out_ + used_, size_ - used_, format, arguments);
    va_end(arguments);
    if (written < 0) return;
    used_ += static_cast<std::size_t>(written);
    if (used_ >= size_) used_ = size_ - 1;
  }

 private:
  char* out_;
  std::size_t size_;
  std::size_t used_ = 0;
};

bool Printable(const Tsap& tsap) {
  for (uint8_t i = 0; i < tsap.length; ++i) {
    if (tsap.bytes[i] != 0 && (tsap.bytes[i] < 0x20 || tsap.bytes[i] > 0x7E)) return false;
  }
  return true;
}

// An S5 TSAP as its text, without the blanks and zero bytes that pad it; an S7 TSAP in hex.
void AddTsap(Text& text, const Tsap& tsap) {
  if (tsap.length > 2 && Printable(tsap)) {
    uint8_t length = tsap.length;
    while (length > 0 && (tsap.bytes[length - 1] == ' ' || tsap.bytes[length - 1] == 0))
      --length;
    text.Add("\"%.*s\"", static_cast<int>(length), reinterpret_cast<const char*>(tsap.bytes));
    return;
  }
  for (uint8_t i = 0; i < tsap.length; ++i)
    text.Add(i == 0 ? "%02X" : " %02X", unsigned{tsap.bytes[i]});
}

void AddTsapsSent(Text& text, const Target& target) {
  text.Add(" (TSAPs sent: local ");
  AddTsap(text, target.local);
  text.Add(", remote ");
  AddTsap(text, target.remote);
  text.Add(")");
}

const char* JobName(FailureStep step) {
  return step == FailureStep::kWrite ? "write" : "read";
}

void AddOsWords(Text& text, int code) {
  char words[128];
  net::ErrorText(code, words, sizeof words);
  text.Add("%s", words);
}

void AddTcpFailure(Text& text, const LinkFailure& failure) {
  if (failure.cause == FailureCause::kNoAnswer) {
    text.Add("no TCP connection within %u ms", static_cast<unsigned>(failure.milliseconds));
    return;
  }
  switch (net::ClassifyConnectFailure(failure.osError)) {
    case net::ConnectFailure::kRefused:
      text.Add("TCP connection refused: nothing listens at that port");
      return;
    case net::ConnectFailure::kUnreachable:
      text.Add("TCP connection failed: the address cannot be reached (");
      break;
    case net::ConnectFailure::kTimedOut:
      text.Add("TCP connection failed: no answer from the address (");
      break;
    case net::ConnectFailure::kOther:
      text.Add("TCP connection failed (");
      break;
  }
  AddOsWords(text, failure.osError);
  text.Add(")");
}

void AddConnectRequestFailure(Text& text, const LinkFailure& failure, const Target& target) {
  switch (failure.cause) {
    case FailureCause::kClosed:
      text.Add("connection request rejected by the PLC: %s", failure.what);
      break;
    case FailureCause::kNoAnswer:
      text.Add("no answer to the connection request within %u ms",
               static_cast<unsigned>(failure.milliseconds));
      break;
    case FailureCause::kMalformed:
      text.Add("connect confirm not understood: %s", failure.what);
      break;
    default:
      text.Add("connection request failed: ");
      AddOsWords(text, failure.osError);
      break;
  }
  AddTsapsSent(text, target);
}

void AddSetupFailure(Text& text, const LinkFailure& failure) {
  switch (failure.cause) {
    case FailureCause::kRefused:
      text.Add("setup communication refused by the PLC (error class 0x%02X, code 0x%02X)",
               unsigned{failure.status} >> 8, unsigned{failure.status} & 0xFFu);
      return;
    case FailureCause::kClosed:
      text.Add("setup communication refused: the PLC ended the connection (%s)", failure.what);
      return;
    case FailureCause::kNoAnswer:
      text.Add("no answer to setup communication within %u ms",
               static_cast<unsigned>(failure.milliseconds));
      return;
    case FailureCause::kMalformed:
      text.Add("setup communication answer not understood: %s", failure.what);
      return;
    default:
      text.Add("setup communication failed: ");
      AddOsWords(text, failure.osError);
      return;
  }
}

void AddJobFailure(Text& text, const LinkFailure& failure) {
  const char* job = JobName(failure.step);
  // A silent PLC breaks no connection on its way: its request is forgotten (connection.h).
  switch (failure.cause) {
    case FailureCause::kMalformed:
      text.Add("answer to the %s malformed: %s", job, failure.what);
      return;
    case FailureCause::kClosed:
      text.Add("connection closed by the PLC (%s) while the %s was on its way", failure.what, job);
      return;
    default:
      text.Add("connection failed while the %s was on its way: ", job);
      AddOsWords(text, failure.osError);
      return;
  }
}

void AddIdleFailure(Text& text, const LinkFailure& failure) {
  switch (failure.cause) {
    case FailureCause::kClosed:
      text.Add("connection closed by the PLC (%s)", failure.what);
      return;
    case FailureCause::kMalformed:
      text.Add("bytes from the PLC not understood: %s", failure.what);
      return;
    default:
      text.Add("connection failed: ");
      AddOsWords(text, failure.osError);
      return;
  }
}

}  // namespace

FailureStep StepOf(const Connection& connection) {
  switch (connection.phase) {
    case Phase::kTcpConnecting:
      return FailureStep::kTcpConnect;
    case Phase::kAwaitingConfirm:
      return FailureStep::kConnectRequest;
    case Phase::kAwaitingSetup:
      return FailureStep::kSetup;
    default:
      break;
  }
  if (!JobInFlight(connection)) return FailureStep::kIdle;
  return connection.job.kind == JobKind::kWrite ? FailureStep::kWrite : FailureStep::kRead;
}

void FailConnection(Connection& connection, FailureCause cause, const char* what, int osError,
                    uint16_t status) {
  LinkFailure failure;
  failure.step = StepOf(connection);
  failure.cause = cause;
  failure.what = what;
  failure.osError = osError;
  failure.status = status;
  failure.milliseconds = connection.target.timeLimitMs;
  NoteFailure(connection, failure);
  // In the trace, in the words that QxConnectionFailure gives.
  char words[200];
  DescribeFailure(connection.handle, words, sizeof words);
  Trace("quaxnet: connection %u: broken: %s", unsigned{connection.handle}, words);
  Break(connection);
}

void NoteOpened(const Connection& connection) {
  FailureRecord* record = RecordOf(connection.handle);
  if (record == nullptr) return;
  *record = FailureRecord{};
  record->inUse = true;
  record->target = connection.target;
}

void NoteFailure(const Connection& connection, const LinkFailure& failure) {
  if (RecordOf(connection.handle) == nullptr) return;
  ForgetClosedAt(connection);
  NoteGivenUp(connection, failure);
}

void NoteGivenUp(const Connection& connection, const LinkFailure& failure) {
  FailureRecord* record = RecordOf(connection.handle);
  if (record == nullptr) return;
  record->target = connection.target;
  record->failure = failure;
}

void NoteEstablished(const Connection& connection) {
  FailureRecord* record = RecordOf(connection.handle);
  if (record == nullptr) return;
  ForgetClosedAt(connection);
  record->failure = LinkFailure{};
}

void NoteClosed(const Connection& connection) {
  FailureRecord* record = RecordOf(connection.handle);
  if (record != nullptr) record->inUse = false;
}

int DescribeFailure(uint32_t handle, char* text, std::size_t size) {
  if (text == nullptr || size == 0) return kAnswerInvalidArgument;
  text[0] = '\0';
  const FailureRecord* record = RecordOf(handle);
  if (record == nullptr || (!record->inUse && record->failure.cause == FailureCause::kNone))
    return kAnswerUnknownHandle;
  const LinkFailure& failure = record->failure;
  if (failure.cause == FailureCause::kNone) return kAnswerNoRequest;
  Text words(text, size);
  const uint32_t address = record->target.address;
  words.Add("%u.%u.%u.%u port %u: ", static_cast<unsigned>(address >> 24),
            static_cast<unsigned>(address >> 16 & 0xFF), static_cast<unsigned>(address >> 8 & 0xFF),
            static_cast<unsigned>(address & 0xFF), unsigned{record->target.port});
  switch (failure.step) {
    case FailureStep::kTcpConnect:
      AddTcpFailure(words, failure);
      break;
    case FailureStep::kConnectRequest:
      AddConnectRequestFailure(words, failure, record->target);
      break;
    case FailureStep::kSetup:
      AddSetupFailure(words, failure);
      break;
    case FailureStep::kRead:
    case FailureStep::kWrite:
      AddJobFailure(words, failure);
      break;
    case FailureStep::kIdle:
      AddIdleFailure(words, failure);
      break;
  }
  return kAnswerDone;
}

}  // namespace quaxnet

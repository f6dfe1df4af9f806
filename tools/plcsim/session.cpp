#include "session.h"

#include <algorithm>
#include <cstring>

#include "answer_faults.h"
#include "hex_text.h"
#include "request_service.h"
#include "s7_codec.h"

namespace plcsim {
namespace {

// Jobs that may be outstanding each way: one, as the driver's transport asks (docs/wire.md, S7).
constexpr uint16_t kGrantedJobs = 1;

// A TSAP compared as text: trailing blanks and zero bytes do not count.
std::string TsapName(const Tsap& tsap) {
  std::size_t length = tsap.length;
  while (length > 0 && (tsap.bytes[length - 1] == 0 || tsap.bytes[length - 1] == ' '))
    --length;
  return std::string(tsap.bytes, tsap.bytes + length);
}

std::string Trimmed(const std::string& text) {
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

}  // namespace

Session::Session(Plc& plc, const Logger& log, uint32_t id) : plc_(plc), log_(log), id_(id) {}

std::string Session::Prefix() const {
  return "plc " + std::to_string(plc_.config().number) + ": connection #" + std::to_string(id_) +
         ": ";
}

bool Session::WantsInput() const {
  return !closing_ && !fatal_ && output_.size() < kMaxQueuedAnswers && inputSize_ < sizeof input_;
}

uint8_t* Session::InputSpace(std::size_t* size) {
  *size = sizeof input_ - inputSize_;
  return input_ + inputSize_;
}

void Session::InputArrived(std::size_t count, uint64_t now) {
  inputSize_ += std::min(count, sizeof input_ - inputSize_);
  ProcessInput(now);
}

void Session::ProcessInput(uint64_t now) {
  while (!closing_ && !fatal_ && output_.size() < kMaxQueuedAnswers) {
    // Before the connect confirm any TPKT up to the buffer; after it, one TPDU of the size granted.
    const std::size_t maxLength =
        role_ == Role::kConnecting ? kMaxTpktLength : kTpktHeaderSize + tpduSize_;
    std::size_t length = 0;
    std::string why;
    const FrameStatus status = ScanTpkt(input_, inputSize_, maxLength, &length, &why);
    if (status == FrameStatus::kIncomplete) return;
    if (status == FrameStatus::kBroken) {
      Fail("malformed TPKT (" + why + ")");
      return;
    }
    if (role_ == Role::kConnecting && plc_.faults().holdConnect) {
      // A hung communication processor: the request stays where it is, unanswered.
      if (!holding_) log_.Line(Prefix() + "connect request held unanswered (fault hold-connect)");
      holding_ = true;
      return;
    }
    holding_ = false;
    HandleTpdu(input_ + kTpktHeaderSize, length - kTpktHeaderSize, now);
    std::memmove(input_, input_ + length, inputSize_ - length);
    inputSize_ -= length;
  }
}

void Session::HandleTpdu(const uint8_t* tpdu, std::size_t size, uint64_t now) {
  const uint8_t code = TpduCode(tpdu, size);
  if (role_ == Role::kConnecting) {
    if (code != kCotpConnectRequest) {
      Fail("TPDU code " + HexByte(code) + " before a connect request");
      return;
    }
    HandleConnectRequest(tpdu, size, now);
    return;
  }
  if (code == kCotpDisconnectRequest) {
    log_.Line(Prefix() + "disconnect request from the client");
    closing_ = true;
    return;
  }
  DataTpdu data;
  std::string why;
  if (code != kCotpData || !ParseDataTpdu(tpdu, size, &data, &why)) {
    Fail(code == kCotpData ? why : "TPDU code " + HexByte(code) + " on a connected connection");
    return;
  }
  if (data.size > sizeof message_ - messageSize_) {
    Fail("message longer than " + std::to_string(sizeof message_) + " bytes");
    return;
  }
  std::memcpy(message_ + messageSize_, data.data, data.size);
  messageSize_ += data.size;
  if (data.last) {
    HandleMessage(now);
    messageSize_ = 0;
  }
}

void Session::HandleConnectRequest(const uint8_t* tpdu, std::size_t size, uint64_t now) {
  ConnectRequest request;
  std::string why;
  if (!ParseConnectRequest(tpdu, size, &request, &why)) {
    Fail("malformed connect request (" + why + ")");
    return;
  }
  const PlcConfig& config = plc_.config();
  const std::string called = TsapText(request.called);
  if (plc_.faults().refuse) {
    Refuse(request, kReasonNotSpecified, "refused (fault refuse)");
    return;
  }
  if (config.personality == Personality::kS7) {
    const uint8_t rackSlot = static_cast<uint8_t>(config.rack * 32 + config.slot);
    if (request.called.length != 2 || request.called.bytes[1] != rackSlot) {
      Refuse(request, kReasonAddressUnknown,
             "refused: called TSAP " + called + " does not address rack " +
                 std::to_string(config.rack) + " slot " + std::to_string(config.slot));
      return;
    }
    role_ = Role::kS7;
  } else {
    const std::string name = TsapName(request.called);
    if (name == Trimmed(config.fetchTsap)) {
      role_ = Role::kFetch;
    } else if (name == Trimmed(config.writeTsap)) {
      role_ = Role::kWrite;
    } else {
      Refuse(request, kReasonAddressUnknown,
             "refused: called TSAP " + called + " is neither the fetch TSAP \"" + config.fetchTsap +
                 "\" nor the write TSAP \"" + config.writeTsap + "\"");
      return;
    }
    established_ = true;
  }
  const uint8_t sizeCode = request.tpduSizeCode == 0
                               ? kDefaultTpduSizeCode
                               : std::min(request.tpduSizeCode, kMaxGrantedTpduSizeCode);
  tpduSize_ = TpduSize(sizeCode);
  std::vector<uint8_t> confirm;
  AppendConnectConfirm(confirm, request, static_cast<uint16_t>(0x4000 | (id_ & 0x3FFF)), sizeCode);
  Queue(std::move(confirm), now, false);
  const char* kind = role_ == Role::kS7      ? "S7 connection"
                     : role_ == Role::kFetch ? "fetch connection"
                                             : "write connection";
  log_.Line(Prefix() + kind + " (calling TSAP " + TsapText(request.calling) + ", called TSAP " +
            called + ", TPDU size " + std::to_string(tpduSize_) + ")");
}

void Session::HandleMessage(uint64_t now) {
  if (role_ == Role::kS7) {
    HandleS7(now);
  } else {
    HandleS5(now);
  }
}

void Session::HandleS7(uint64_t now) {
  S7Request request;
  std::string why;
  if (!DecodeS7Request(message_, messageSize_, &request, &why)) {
    Fail("malformed S7 job (" + why + ")");
    return;
  }
  if (request.kind == S7Request::Kind::kSetup) {
    if (request.pduSize == 0) {
      Fail("setup communication asking a PDU of 0 bytes");
      return;
    }
    if (plc_.faults().refuseSetup) {
      // A PLC without a free communication resource: the job refused, the connection closed.
      std::vector<uint8_t> answer;
      EncodeS7HeaderError(answer, request.reference, kS7SetupCommunication, kS7ErrorNoResources);
      std::vector<uint8_t> frames;
      AppendDataTpdus(frames, answer.data(), answer.size(), tpduSize_);
      Queue(std::move(frames), now, true);
      log_.Line(Prefix() + "setup communication refused with " + HexWord(kS7ErrorNoResources) +
                " (fault refuse setup)");
      return;
    }
    pduSize_ = std::min(request.pduSize, plc_.config().pduSize);
    std::vector<uint8_t> answer;
    EncodeS7SetupAnswer(answer, request.reference, kGrantedJobs, kGrantedJobs, pduSize_);
    std::vector<uint8_t> frames;
    AppendDataTpdus(frames, answer.data(), answer.size(), tpduSize_);
    Queue(std::move(frames), now, false);
    established_ = true;
    log_.Line(Prefix() + "setup communication: PDU " + std::to_string(request.pduSize) +
              " asked, " + std::to_string(pduSize_) + " granted");
    return;
  }
  if (!established_) {
    Fail("job before setup communication");
    return;
  }
  if (plc_.faults().silent) {
    log_.Line(Prefix() + "job " + std::to_string(request.reference) +
              " left unanswered (fault silent)");
    return;
  }
  std::vector<uint8_t> answer;
  ServeReport report;
  report.describe = Describing();
  ServeS7Request(plc_, request, messageSize_, pduSize_, answer, &report);
  const std::string job = report.describe || !report.refusals.empty()
                              ? "job " + std::to_string(request.reference) + ": "
                              : std::string();
  for (const std::string& refusal : report.refusals)
    log_.Line(Prefix() + job + refusal);
  Answer(answer, now, report.describe ? job + report.summary : std::string());
}

void Session::HandleS5(uint64_t now) {
  S5Request request;
  std::string why;
  if (!DecodeS5Request(message_, messageSize_, &request, &why)) {
    Fail("malformed S5 request (" + why + ")");
    return;
  }
  const bool fetch = request.opCode == kS5Fetch;
  if (fetch != (role_ == Role::kFetch)) {
    Fail(std::string(fetch ? "fetch request on the write connection"
                           : "write request on the fetch connection"));
    return;
  }
  if (plc_.faults().silent) {
    log_.Line(Prefix() + (fetch ? "fetch" : "write") + " left unanswered (fault silent)");
    return;
  }
  std::vector<uint8_t> answer;
  ServeReport report;
  report.describe = Describing();
  ServeS5Request(plc_, request, answer, &report);
  for (const std::string& refusal : report.refusals)
    log_.Line(Prefix() + refusal);
  Answer(answer, now, report.summary);
}

bool Session::Describing() const {
  return log_.verbose() || plc_.faults().Any();
}

void Session::Answer(std::vector<uint8_t>& pdu, uint64_t now, const std::string& description) {
  const Faults& faults = plc_.faults();
  std::string notes;
  if (faults.malformed && faults.malformation != Malformation::kTpkt) {
    SpoilAnswer(pdu, plc_.config().personality, faults.malformation);
  }
  std::vector<uint8_t> frames;
  AppendDataTpdus(frames, pdu.data(), pdu.size(), tpduSize_);
  if (faults.malformed) {
    if (faults.malformation == Malformation::kTpkt) SpoilFrame(frames);
    notes += ", answer malformed (fault)";
  }
  if (faults.truncated) {
    Truncate(frames);
    notes += ", answer truncated and connection closed (fault)";
  } else if (faults.closeAfter) {
    notes += ", connection closed after the answer (fault close-after)";
  }
  const uint64_t delay = AnswerDelay(faults);
  if (faults.lateMilliseconds != 0) {
    notes += ", answer held " + std::to_string(faults.lateMilliseconds) + " ms (fault late)";
  }
  if (faults.jitter)
    notes += ", answer held " + std::to_string(delay) + " ms in all (fault jitter)";
  if (faults.Any()) {
    log_.Line(Prefix() + description + notes);
  } else if (log_.verbose()) {
    log_.Line(Prefix() + description);
  }
  Queue(std::move(frames), now + delay, faults.truncated || faults.closeAfter);
}

void Session::Queue(std::vector<uint8_t> bytes, uint64_t due, bool closeAfter) {
  // Answers leave in order: none overtakes one that is held.
  if (!output_.empty()) due = std::max(due, output_.back().due);
  output_.push_back(Outgoing{due, std::move(bytes), 0, closeAfter});
  if (closeAfter) closing_ = true;
}

void Session::Refuse(const ConnectRequest& request, uint8_t reason, const std::string& why) {
  log_.Line(Prefix() + why);
  std::vector<uint8_t> disconnect;
  AppendDisconnectRequest(disconnect, request.sourceReference, 0, reason);
  output_.push_back(Outgoing{0, std::move(disconnect), 0, true});
  closing_ = true;
}

void Session::Fail(const std::string& why) {
  log_.Line(Prefix() + why + ": closing");
  fatal_ = true;
}

bool Session::OutputDue(uint64_t now, const uint8_t** data, std::size_t* size) const {
  if (fatal_ || output_.empty() || output_.front().due > now) return false;
  const Outgoing& front = output_.front();
  *data = front.bytes.data() + front.sent;
  *size = front.bytes.size() - front.sent;
  return true;
}

void Session::OutputSent(std::size_t count, uint64_t now) {
  if (output_.empty()) return;
  Outgoing& front = output_.front();
  front.sent = std::min(front.bytes.size(), front.sent + count);
  if (front.sent < front.bytes.size()) return;
  const bool closeAfter = front.closeAfter;
  output_.pop_front();
  if (closeAfter) {
    output_.clear();
    return;
  }
  ProcessInput(now);
}

void Session::Resume(uint64_t now) {
  if (holding_ && !plc_.faults().holdConnect) ProcessInput(now);
}

uint64_t Session::NextOutputTime() const {
  return output_.empty() || fatal_ ? kNever : output_.front().due;
}

}  // namespace plcsim

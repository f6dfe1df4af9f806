// One client connection to a PLC, without the socket: the bytes that arrive go in, the bytes to
// send come out, each with the time at which it may leave. It runs the PLC side of the protocol:
// the COTP connect request (refused for a wrong slot or TSAP, or under the "refuse" fault), then
// for an S7 setup communication and read and write var jobs, for an S5 fetch or write telegrams by
// the called TSAP. It applies the PLC's faults to the answers.
//
// Anything malformed closes the connection at once, with a log line; a request the PLC refuses
// (an item it does not have, a job longer than the PDU) is answered so, the connection stays.
// Memory is bounded: one TPKT and one message of input, and at most kMaxQueuedAnswers answers
// waiting to leave; while that many wait, no more input is taken.
#ifndef ZAN_PLCSIM_SESSION_H_
#define ZAN_PLCSIM_SESSION_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "iso_transport.h"
#include "log.h"
#include "plc.h"
#include "s5_codec.h"

namespace plcsim {

// The longest message (TSDU) a client may send: an S5 write of 2048 words, or an S7 PDU of the
// largest size that the simulator can grant.
constexpr std::size_t kMaxMessageSize =
    kS5MaxTelegram > kMaxPduSize ? kS5MaxTelegram : std::size_t{kMaxPduSize};
constexpr std::size_t kMaxQueuedAnswers = 4;
constexpr uint64_t kNever = UINT64_MAX;

class Session {
 public:
  enum class Role { kConnecting, kS7, kFetch, kWrite };

  Session(Plc& plc, const Logger& log, uint32_t id);

  Role role() const { return role_; }
  // S7: setup communication answered; S5: connect confirmed.
  bool established() const { return established_; }
  uint32_t id() const { return id_; }

  // Input. `InputSpace` is where the next bytes go; `InputArrived` takes `count` of them and
  // handles every whole message. Nothing is taken while WantsInput() is false.
  bool WantsInput() const;
  uint8_t* InputSpace(std::size_t* size);
  void InputArrived(std::size_t count, uint64_t now);

  // Output: the bytes that may leave at `now` (false: none), and how many of them left. Sending
  // makes room for more answers, so buffered input is handled again here.
  bool OutputDue(uint64_t now, const uint8_t** data, std::size_t* size) const;
  void OutputSent(std::size_t count, uint64_t now);
  // When the first waiting answer may leave; kNever when none waits.
  uint64_t NextOutputTime() const;
  // Under the fault "hold-connect" the connect request waits unanswered; once the fault is
  // cleared, Resume answers it (and whatever followed it).
  void Resume(uint64_t now);

  // The connection is to be closed: a malformed message, or the last bytes before a close left.
  bool Finished() const { return fatal_ || (closing_ && output_.empty()); }

 private:
  struct Outgoing {
    uint64_t due;
    std::vector<uint8_t> bytes;
    std::size_t sent;
    bool closeAfter;
  };

  void ProcessInput(uint64_t now);
  void HandleTpdu(const uint8_t* tpdu, std::size_t size, uint64_t now);
  void HandleConnectRequest(const uint8_t* tpdu, std::size_t size, uint64_t now);
  void HandleMessage(uint64_t now);
  void HandleS7(uint64_t now);
  void HandleS5(uint64_t now);
  // Whether answers are logged: when verbose, or when a fault acts on them.
  bool Describing() const;
  // Frames `pdu` in data TPDUs and queues it, spoiled, held or cut as the PLC's faults say.
  void Answer(std::vector<uint8_t>& pdu, uint64_t now, const std::string& description);
  void Queue(std::vector<uint8_t> bytes, uint64_t due, bool closeAfter);
  void Refuse(const ConnectRequest& request, uint8_t reason, const std::string& why);
  void Fail(const std::string& why);
  std::string Prefix() const;

  Plc& plc_;
  const Logger& log_;
  uint32_t id_;
  Role role_ = Role::kConnecting;
  bool established_ = false;
  bool closing_ = false;
  bool fatal_ = false;
  bool holding_ = false;  // a connect request waits in `input_` (fault hold-connect)
  std::size_t tpduSize_ = kMaxTpduSize;
  uint16_t pduSize_ = 0;

  uint8_t input_[kMaxTpktLength];
  std::size_t inputSize_ = 0;
  uint8_t message_[kMaxMessageSize];
  std::size_t messageSize_ = 0;
  std::deque<Outgoing> output_;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_SESSION_H_

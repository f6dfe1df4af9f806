// The faults that a PLC shows on command, and their parsing from control words. A fault holds
// until it is cleared; several may hold at once. Except for "refuse", "refuse setup" and
// "hold-connect", they act on the answers to read and write requests only: connecting and setting
// up communication go on as usual, so a test can reach the request it wants to spoil.
#ifndef ZAN_PLCSIM_FAULTS_H_
#define ZAN_PLCSIM_FAULTS_H_

#include <cstdint>
#include <string>
#include <vector>

namespace plcsim {

// How a malformed answer is spoiled.
enum class Malformation {
  kHeader,     // S7 protocol id 0x33 / S5 telegram starting "X5"
  kTpkt,       // TPKT version 7
  kReference,  // S7 PDU reference of another request / S5 answer op code of the other service
  kLength,     // consistent framing, but one data byte fewer than asked (a write: one more)
};

struct Faults {
  bool refuse = false;       // connect requests are answered with a disconnect request
  bool refuseSetup = false;  // S7 setup communication is answered with an error (0x8304)
  // TCP is accepted and the connect request read, but it stays unanswered until the fault is
  // cleared: a PLC whose communication processor hangs (or, on loopback, one switched off).
  bool holdConnect = false;
  bool silent = false;            // requests are read and never answered
  uint32_t lateMilliseconds = 0;  // answers are held this long
  bool error = false;      // answers carry `errorCode` (S7: item return code, or header error
  uint16_t errorCode = 0;  // class and code when above 0xFF; S5: error number)
  bool malformed = false;
  Malformation malformation = Malformation::kHeader;
  bool truncated = false;   // the first half of the answer, then the connection closes
  bool closeAfter = false;  // the whole answer, then the connection closes
  // Each answer is held a time drawn uniformly from the range, in milliseconds, on top of "late".
  bool jitter = false;
  uint32_t jitterMinMilliseconds = 0;
  uint32_t jitterMaxMilliseconds = 0;

  bool Any() const;
};

// Sets the fault that `words` name, for example {"late", "500"}, {"jitter", "0-60"} or
// {"malformed", "tpkt"} or {"hold-connect"}. False, with `why`, when the words name none. ("drop"
// acts at once and is the simulator's.)
bool SetFault(const std::vector<std::string>& words, Faults* faults, std::string* why);

// How long the next answer is held: "late", plus a time drawn for "jitter".
uint64_t AnswerDelay(const Faults& faults);

// "late 500 ms, error 0x0A", or "none".
std::string DescribeFaults(const Faults& faults);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_FAULTS_H_

// The driver's failure lines in words. A read or write that fails is logged by the driver as
//   "ZanDOR: Read Tag <address> Failed, Len=<n> rc=<answer>,<status>"
//   "ZanDOR: Write Tag <address> Failed, rc=<answer>,<status>"
// where the answer is the transport's (6: no answer yet, 9: connection broken, ...) and the status
// what the PLC said: an S7 item return code (0x0A object does not exist, 0x05 address out of
// range, ...), an S7 error class and code above 0xFF, or 0x100 + an S5 error number.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_FAILURE_WORDS_H_
#define ZAN_TOOLS_ZANHOST_SESSION_FAILURE_WORDS_H_

#include <string>

#include "tags/memory_place.h"

namespace zanhost {

struct TransferFailure {
  std::string address;  // the tag's address text as the driver logged it
  bool write = false;
  int answer = 0;
  int status = 0;
};

// Reads one of the two failure lines; false for any other line.
bool ParseTransferFailure(const std::string& line, TransferFailure& failure);

// What the PLC's refusal `status` means for the tag: "data block 999 does not exist",
// "address outside data block 10 (bytes 5000 to 5001)", "access denied to ...", or the code
// itself when it has no name. An S5 refuses with its error numbers; a PLC of type 6, reached like
// an S7, with S7 return codes.
std::string PlcRefusalWords(int status, const PlacedTag& tag);

// What a transport answer other than 0 means for a request: "no answer within 100 ms",
// "the connection broke (refused, reset or closed by the PLC, or an answer not understood)", ...
// `timeoutMs` is the driver's time-out.
std::string TransportAnswerWords(int answer, int timeoutMs);

// Whether a transport answer means that the connection is lost or not up (3, 9): the transport
// library may then know at which step it failed.
bool IsConnectionLost(int answer);

// Whether a transport answer means that no answer came within the driver's time-out (6, 7).
bool IsNoAnswerInTime(int answer);

// Both in one: the refusal when the answer is 0, else the answer's words.
std::string TransferFailureWords(const TransferFailure& failure, const PlacedTag& tag,
                                 int timeoutMs);

// What the driver's result of opening its transport library means ("Fail to open Ip Driver (N)").
std::string OpenLibraryWords(int result);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_FAILURE_WORDS_H_

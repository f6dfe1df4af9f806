// The transport library's own words for why a connection to a PLC failed: "connection request
// rejected by the PLC: disconnect request (TSAPs sent: local 01 01, remote 03 03)", "TCP connection
// refused: nothing listens at that port". Our library tells them through an export of its own
// (QxConnectionFailure), which the driver does not bind; zanhost finds it in the library that the
// driver loaded. Another transport library need not have it, and then nothing is known here.
#ifndef ZAN_TOOLS_ZANHOST_SESSION_TRANSPORT_FAILURE_H_
#define ZAN_TOOLS_ZANHOST_SESSION_TRANSPORT_FAILURE_H_

#include <cstdint>
#include <map>
#include <string>

#include "core/driver_state.h"
#include "transport/transport_operations.h"

namespace zanhost {

// The export: at most `size` bytes of text with its terminator into `text`; 0 with a failure, 8
// without one, 2 for a handle that no connection has or had.
using ConnectionFailureFunction = int(ZAN_STDCALL*)(uint32_t size, char* text, uint32_t handle);

// A failure text split into the place it names and what failed: "127.0.0.1 port 10102: ..." gives
// the address (host order), the port and the words after the colon. False when it does not start
// that way.
bool SplitFailureText(const std::string& text, uint32_t& address, int& port, std::string& words);

// The dotted IPv4 address of a configuration line as a number in host order; false when it is none.
bool ParseDottedAddress(const std::string& text, uint32_t& address);

class TransportFailures {
 public:
  // Looks the export up in the transport library that the process has loaded (after Init).
  TransportFailures();
  // For tests: the export given.
  explicit TransportFailures(ConnectionFailureFunction function) : function_(function) {}

  // Whether the transport library tells its failures.
  bool available() const { return function_ != nullptr; }

  // What failed on the connections of PLC `plc` (`state` its driver's), which the transport reaches
  // at `port`: the failure of a connection to its address and port that was closed since the
  // connections there last failed or came up (a connect the driver made and gave up), else that of
  // the connection the driver keeps for it (the write connection of an S5 first when `write`).
  // Without the place in front; "" when nothing is known.
  std::string OfPlc(const DriverState& state, int plc, int port, bool write = false) const;

  // Forgets what was found among closed connections: the driver has connected, or a connection
  // has failed, since.
  void Refresh() {
    closed_.clear();
    scanned_ = false;
  }

 private:
  // The failure of one connection, its place checked against `address` and `port`; "" if none.
  std::string OfHandle(uint32_t handle, uint32_t address, int port) const;
  // The failure of a closed connection at the place (any handle the table does not keep), from
  // one look through every handle until Refresh; "" if none.
  std::string ClosedAt(const DriverState& state, uint32_t address, int port) const;

  ConnectionFailureFunction function_ = nullptr;
  mutable std::map<uint64_t, std::string> closed_;  // by place: found among closed connections
  mutable bool scanned_ = false;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_SESSION_TRANSPORT_FAILURE_H_

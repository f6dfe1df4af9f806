// A bare S7 client for the end-to-end tests: what another tool (an HMI panel, a test client) sends
// to a PLC, byte by byte, without the driver or its transport library. It connects over TCP, opens
// the COTP connection with the S7 TSAPs and sets up communication; then each request (bytes from
// support/plc_requests.h) is answered by one message. Every wait is bounded.
#ifndef ZAN_TESTS_E2E_RAW_S7_CLIENT_H_
#define ZAN_TESTS_E2E_RAW_S7_CLIENT_H_

#include <cstdint>
#include <string>

#include "net/socket.h"
#include "support/plc_requests.h"

namespace zan::e2e {

class RawS7Client {
 public:
  RawS7Client();
  ~RawS7Client();
  RawS7Client(const RawS7Client&) = delete;
  RawS7Client& operator=(const RawS7Client&) = delete;

  // Connects to the PLC at `address` (host order) and `port` with rack 0 and `slot`, and sets up
  // communication asking a PDU of `pdu` bytes. False, with `why`, when a step fails.
  bool Open(uint32_t address, uint16_t port, uint8_t slot, uint16_t pdu, std::string* why);
  uint16_t pduSize() const { return pduSize_; }

  // Sends `request` (whole TPKTs) and returns the user data of the answer: its data TPDUs without
  // their headers. Empty when none came in time or the connection closed.
  testing::Bytes Exchange(const testing::Bytes& request);

 private:
  bool SendAll(const testing::Bytes& bytes);
  // The next whole TPKT, header included; empty on a time-out or a closed connection.
  testing::Bytes ReceiveTpkt();

  net::Socket socket_ = net::kNoSocket;
  bool networking_ = false;
  testing::Bytes buffer_;
  uint16_t pduSize_ = 0;
};

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_RAW_S7_CLIENT_H_

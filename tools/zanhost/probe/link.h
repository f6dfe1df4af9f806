// One TCP connection of zanhost probe to a PLC, on the shared socket layer: each step (the connect,
// an answer) waits at most the probe's time-out and never blocks longer. What goes out and comes in
// may be shown as it passes (zanhost probe -v).
#ifndef ZAN_TOOLS_ZANHOST_PROBE_LINK_H_
#define ZAN_TOOLS_ZANHOST_PROBE_LINK_H_

#include <cstdint>
#include <functional>
#include <string>

#include "net/socket.h"
#include "probe/plc_frames.h"

namespace zanhost {

class ProbeLink {
 public:
  // `show` sees every TPKT sent (true) and received (false); it may be empty.
  using Show = std::function<void(bool sent, const Bytes& bytes)>;

  ProbeLink(uint32_t timeoutMs, Show show);
  ~ProbeLink();
  ProbeLink(const ProbeLink&) = delete;
  ProbeLink& operator=(const ProbeLink&) = delete;

  // The TCP connect. False, with what failed in `why` ("refused: nothing listens at that port",
  // "no TCP connection within 100 ms", the OS's words).
  bool Connect(uint32_t address, uint16_t port, std::string* why);

  // Sends all of `bytes`; false, with `why`, when the connection fails or the time-out passes.
  bool Send(const Bytes& bytes, std::string* why);

  // The next whole TPKT, within the time-out from the call. False, with `why`: no answer in time,
  // the connection closed, a TPKT header not valid.
  bool ReceiveTpkt(Bytes* tpkt, std::string* why);

  // The user data of the next message: data TPDUs joined up to the last one. A disconnect request
  // or any other TPDU ends it with `why`.
  bool ReceiveMessage(Bytes* message, std::string* why);

 private:
  uint64_t DeadlineFromNow() const;

  uint32_t timeoutMs_;
  Show show_;
  bool started_ = false;
  net::Socket socket_ = net::kNoSocket;
  Bytes pending_;  // received, not yet taken as a TPKT
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PROBE_LINK_H_

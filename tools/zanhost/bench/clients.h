// What zanhost bench measures the driver's read against, each with the least work one read can
// take: a bare S7 client of the same PLC and the same request, and a TCP ping-pong on loopback with
// an echo thread of zanhost on the other end.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_CLIENTS_H_
#define ZAN_TOOLS_ZANHOST_BENCH_CLIENTS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>

#include "net/socket.h"

namespace zanhost {

// An S7 read var of one data-block word: TPKT 4 + COTP 3 + header 10 + parameters 14 = 31 bytes
// out; TPKT 4 + COTP 3 + header 12 + parameters 2 + item head 4 + data 2 = 27 bytes back.
constexpr std::size_t kWordRequestBytes = 31;
constexpr std::size_t kWordAnswerBytes = 27;

// A client of an S7 PLC with nothing but what one read needs: a blocking socket, the connect
// request and setup communication once, then for every read one fixed frame sent with one send and
// its answer taken with one receive (more only if TCP cuts it).
class BareS7Client {
 public:
  BareS7Client() = default;
  ~BareS7Client();
  BareS7Client(const BareS7Client&) = delete;
  BareS7Client& operator=(const BareS7Client&) = delete;

  // Connects to the PLC at `address`:`port` in `slot` for reads of the word at byte `byte` of data
  // block `dataBlock`; false with one line in `error` when the PLC does not take it.
  bool Open(uint32_t address, uint16_t port, uint8_t slot, uint16_t dataBlock, uint16_t byte,
            std::string& error);

  // One read; false when no answer came or it is not the word's.
  bool Read();

 private:
  net::Socket socket_ = net::kNoSocket;
  bool started_ = false;
  uint8_t request_[kWordRequestBytes] = {};
};

// A TCP round trip on 127.0.0.1 of the read's sizes, between two blocking sockets of zanhost.
class LoopbackPingPong {
 public:
  LoopbackPingPong() = default;
  ~LoopbackPingPong();
  LoopbackPingPong(const LoopbackPingPong&) = delete;
  LoopbackPingPong& operator=(const LoopbackPingPong&) = delete;

  // Listens, starts the echo thread and connects to it; false when loopback TCP is not usable.
  bool Open();

  bool RoundTrip();

 private:
  net::Socket client_ = net::kNoSocket;
  std::thread echo_;
  bool started_ = false;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_CLIENTS_H_

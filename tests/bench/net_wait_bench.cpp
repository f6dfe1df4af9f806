// What a read's wait costs: a round trip of the read's sizes (31 bytes out, 27 back) to an echo
// thread on loopback, taken three ways. Blocking: send, then a receive that sleeps until the answer
// is there (the least a client can do). The transport's way: send, a receive that finds nothing
// yet, a wait for readiness of at most 1 ms, the receive of the answer. The same with a wait of up
// to a second, which shows what arming a short timer costs. Compare the CPU columns.
#include <benchmark/benchmark.h>

#include <thread>

#include "net/socket.h"

namespace {

constexpr std::size_t kRequestBytes = 31;
constexpr std::size_t kAnswerBytes = 27;

// A connected pair on 127.0.0.1: the client end (non-blocking unless asked) and an echo thread
// that answers every request with the answer's size until the client closes.
class EchoPair {
 public:
  explicit EchoPair(bool blocking) {
    net::Start();
    net::Socket listener = net::kNoSocket;
    uint16_t port = 0;
    net::Listen(net::kLoopback, 0, &listener, &port);
    net::SetBlocking(listener, true);
    echo_ = std::thread([listener] {
      net::Socket peer = net::kNoSocket;
      net::Accept(listener, &peer);
      net::Close(listener);
      net::SetBlocking(peer, true);
      uint8_t request[kRequestBytes];
      const uint8_t answer[kAnswerBytes] = {3, 0, 0, kAnswerBytes};
      while (net::ReceiveAll(peer, request, sizeof request) &&
             net::SendAll(peer, answer, sizeof answer)) {
      }
      net::Close(peer);
    });
    net::Connect(net::kLoopback, port, &client_);
    net::SetBlocking(client_, blocking);
  }
  ~EchoPair() {
    net::Close(client_);
    echo_.join();
    net::Stop();
  }
  net::Socket client() const { return client_; }

 private:
  net::Socket client_ = net::kNoSocket;
  std::thread echo_;
};

void BlockingRoundTrip(benchmark::State& state) {
  EchoPair pair(true);
  const uint8_t request[kRequestBytes] = {3, 0, 0, kRequestBytes};
  uint8_t answer[kAnswerBytes];
  for (auto _ : state) {
    if (!net::SendAll(pair.client(), request, sizeof request) ||
        !net::ReceiveAll(pair.client(), answer, sizeof answer)) {
      state.SkipWithError("the echo ended");
    }
  }
}
BENCHMARK(BlockingRoundTrip)->UseRealTime();

// Send, receive, and while the answer is not all there: wait at most `waitMicroseconds`, receive.
void WaitingRoundTrip(benchmark::State& state, uint32_t waitMicroseconds, bool waitFirst) {
  EchoPair pair(false);
  const uint8_t request[kRequestBytes] = {3, 0, 0, kRequestBytes};
  uint8_t answer[kAnswerBytes];
  for (auto _ : state) {
    std::size_t done = 0;
    net::Send(pair.client(), request, sizeof request, &done);
    std::size_t received = 0;
    for (bool first = true; received < kAnswerBytes; first = false) {
      if (!first || waitFirst) net::Wait(pair.client(), true, false, waitMicroseconds);
      const net::Error error =
          net::Receive(pair.client(), answer + received, kAnswerBytes - received, &done);
      if (error == net::Error::kNone) received += done;
      if (error != net::Error::kNone && error != net::Error::kWouldBlock) {
        state.SkipWithError("the echo ended");
        break;
      }
    }
  }
}
BENCHMARK_CAPTURE(WaitingRoundTrip, WaitOf1Millisecond, 1000, false)->UseRealTime();
BENCHMARK_CAPTURE(WaitingRoundTrip, WaitFirstOf1Millisecond, 1000, true)->UseRealTime();
BENCHMARK_CAPTURE(WaitingRoundTrip, WaitOf1Second, 1000000, false)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

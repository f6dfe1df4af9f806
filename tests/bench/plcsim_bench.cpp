// Round trips over loopback: a raw TCP ping-pong of the sizes of an S7 read of one data-block word
// (31 bytes out, 27 back), the same read served by the simulator, and an S5 fetch of one word. The
// difference is what the simulator adds to every read that the driver makes against it. The same
// read once more from one PLC of a plant of 511, each with a connection open: the simulator of a
// plant should answer one of its PLCs as fast as a simulator of that PLC alone.
#include <benchmark/benchmark.h>

#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "log.h"
#include "net/socket.h"
#include "plc_line.h"
#include "simulator.h"

namespace {

using namespace plcsim;

constexpr std::size_t kReadRequestSize = 31;  // TPKT 4 + DT 3 + job header 10 + parameter 14
constexpr std::size_t kReadAnswerSize = 27;   // TPKT 4 + DT 3 + ack-data 12 + 2 + 4 + 2 bytes

// Reads one TPKT (whose length is in its header) into `buffer`.
bool ReadTpkt(net::Socket socket, uint8_t* buffer) {
  return net::ReceiveAll(socket, buffer, 4) &&
         net::ReceiveAll(socket, buffer + 4, std::size_t{buffer[2]} * 256 + buffer[3] - 4);
}

void RawPingPong(benchmark::State& state) {
  net::Start();
  net::Socket listener = net::kNoSocket;
  uint16_t port = 0;
  net::Listen(net::kLoopback, 0, &listener, &port);
  net::SetBlocking(listener, true);
  std::thread echo([listener] {
    net::Socket peer = net::kNoSocket;
    if (net::Accept(listener, &peer) != net::Error::kNone) return;
    net::SetBlocking(peer, true);
    uint8_t request[kReadRequestSize];
    const uint8_t answer[kReadAnswerSize] = {3, 0, 0, kReadAnswerSize};
    while (net::ReceiveAll(peer, request, sizeof request) &&
           net::SendAll(peer, answer, sizeof answer)) {
    }
    net::Close(peer);
  });
  net::Socket client = net::kNoSocket;
  net::Connect(net::kLoopback, port, &client);
  uint8_t request[kReadRequestSize] = {};
  uint8_t answer[kReadAnswerSize];
  for (auto _ : state) {
    net::SendAll(client, request, sizeof request);
    net::ReceiveAll(client, answer, sizeof answer);
  }
  net::Close(client);
  echo.join();
  net::Close(listener);
}
BENCHMARK(RawPingPong)->UseRealTime();

constexpr int kPlantPlcs = 511;
const std::vector<uint8_t> kS7Connect = {3,    0, 0,  22,   17, 0xE0, 0, 0,    0, 1, 0,
                                         0xC0, 1, 10, 0xC1, 2,  1,    1, 0xC2, 2, 3, 2};

// The simulator of one S7 (1) and one S5 (3), or of the PLCs of `lines`, running in a thread of its
// own until "quit" arrives on its control socket.
class RunningSimulator {
 public:
  explicit RunningSimulator(const std::vector<std::string>& lines =
                                {"1:s7:db=10x100:heartbeat=db10.dbw0", "3:s5:db=10x100"})
      : log_([](const std::string&) {}) {
    net::Start();
    net::PrepareServerProcess();
    std::vector<PlcConfig> plcs;
    std::string why;
    for (const std::string& line : lines)
      ParsePlcLine(line, &plcs, &why);
    simulator_ = std::make_unique<Simulator>(plcs, log_, clock_);
    simulator_->Start(0, 0, &why);
    loop_ = std::thread([this] {
      while (simulator_->RunOnce(-1)) {
      }
    });
  }
  ~RunningSimulator() {
    net::Socket control = net::kNoSocket;
    net::Connect(kControlAddress, simulator_->controlPort(), &control);
    const std::string quit = "quit\n";
    net::SendAll(control, quit.data(), quit.size());
    loop_.join();
    net::Close(control);
  }
  // A blocking connection through COTP connect (and setup communication for the S7).
  net::Socket Open(uint32_t plc, const std::vector<uint8_t>& connect, bool setup) {
    net::Socket socket = net::kNoSocket;
    net::Connect(kLoopbackNetwork + plc, simulator_->port(), &socket);
    uint8_t buffer[512];
    net::SendAll(socket, connect.data(), connect.size());
    ReadTpkt(socket, buffer);
    if (setup) {
      const uint8_t job[] = {3, 0, 0, 25, 2,    0xF0, 0x80, 0x32, 1, 0, 0, 0,   1,
                             0, 8, 0, 0,  0xF0, 0,    0,    1,    0, 1, 3, 0xC0};
      net::SendAll(socket, job, sizeof job);
      ReadTpkt(socket, buffer);
    }
    return socket;
  }

 private:
  SystemClock clock_;
  Logger log_;
  std::unique_ptr<Simulator> simulator_;
  std::thread loop_;
};

void Exchange(benchmark::State& state, net::Socket socket, const uint8_t* request,
              std::size_t size) {
  uint8_t answer[512];
  for (auto _ : state) {
    net::SendAll(socket, request, size);
    if (!ReadTpkt(socket, answer)) state.SkipWithError("no answer");
  }
}

// Read var of 2 bytes at byte 20 of data block 10.
const uint8_t kS7Read[kReadRequestSize] = {3, 0, 0, 31, 2,  0xF0, 0x80, 0x32, 1,    0,  0,
                                           0, 2, 0, 14, 0,  0,    4,    1,    0x12, 10, 0x10,
                                           2, 0, 2, 0,  10, 0x84, 0,    0,    0xA0};

void SimulatorS7Read(benchmark::State& state) {
  RunningSimulator simulator;
  const net::Socket socket = simulator.Open(1, kS7Connect, true);
  Exchange(state, socket, kS7Read, sizeof kS7Read);
  net::Close(socket);
}
BENCHMARK(SimulatorS7Read)->UseRealTime();

void SimulatorS7ReadAmong511(benchmark::State& state) {
  RunningSimulator simulator({"1-511:s7:db=10x100"});
  std::vector<net::Socket> sockets;
  for (int plc = 1; plc <= kPlantPlcs; ++plc)
    sockets.push_back(simulator.Open(static_cast<uint32_t>(plc), kS7Connect, true));
  Exchange(state, sockets[kPlantPlcs / 2], kS7Read, sizeof kS7Read);
  for (const net::Socket socket : sockets)
    net::Close(socket);
}
BENCHMARK(SimulatorS7ReadAmong511)->UseRealTime();

void SimulatorS5Fetch(benchmark::State& state) {
  RunningSimulator simulator;
  const net::Socket socket = simulator.Open(
      3, {3,   0,   0,   34,  29,  0xE0, 0, 0,    0, 1,   0,   0xC0, 1,   10,  0xC1, 8,   'K',
          'O', 'R', 'V', 'E', 'L', 0,    0, 0xC2, 8, 'K', 'O', 'R',  'R', 'E', 'A',  'D', 0},
      false);
  // Fetch of data word 10 of data block 10.
  const uint8_t fetch[] = {3, 0, 0, 23, 2,  0xF0, 0x80, 'S', '5', 0x10, 1, 3,
                           5, 3, 8, 1,  10, 0,    10,   0,   1,   0xFF, 2};
  Exchange(state, socket, fetch, sizeof fetch);
  net::Close(socket);
}
BENCHMARK(SimulatorS5Fetch)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

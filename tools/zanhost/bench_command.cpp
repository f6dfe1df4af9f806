#include "bench_command.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "host_platform.h"
#include "host_session.h"
#include "host_types.h"
#include "json_writer.h"
#include "net/socket.h"
#include "result_words.h"
#include "simulator_control.h"

namespace zanhost {

namespace {

// An S7 read of one data-block word: TPKT 4 + COTP 3 + header 10 + parameters 14 = 31 bytes
// out; TPKT 4 + COTP 3 + header 12 + parameters 2 + item 4 + data 2 = 27 bytes back.
constexpr std::size_t kRequestBytes = 31;
constexpr std::size_t kAnswerBytes = 27;
constexpr int kWarmUp = 200;

using Clock = std::chrono::steady_clock;

class Progress {
 public:
  explicit Progress(bool terminal) : terminal_(terminal) {}
  void Show(const char* what, int done, int total) {
    if (terminal_) {
      if (done % 250 == 0 || done == total) {
        std::fprintf(stderr, "\rbench: %s %d/%d   ", what, done, total);
        std::fflush(stderr);
      }
    } else if (done == 0) {
      std::fprintf(stderr, "bench: %s, %d round trips\n", what, total);
    }
  }
  void End() {
    if (terminal_) std::fprintf(stderr, "\r\x1b[K");
  }

 private:
  bool terminal_;
};

double MedianMicroseconds(std::vector<double>& samples) {
  if (samples.empty()) return 0;
  std::sort(samples.begin(), samples.end());
  const std::size_t middle = samples.size() / 2;
  return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double Elapsed(Clock::time_point start) {
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

// The raw round trip: an echo thread that answers every request with the answer's size.
bool RawPingPong(int rounds, Progress& progress, double& median) {
  uint16_t port = 0;
  net::Socket listener = net::kNoSocket;
  if (!net::Start()) return false;
  if (net::Listen(net::kLoopback, 0, &listener, &port) != net::Error::kNone) return false;
  net::SetBlocking(listener, true);
  const int total = rounds + kWarmUp;
  std::thread echo([listener, total] {
    net::Socket peer = net::kNoSocket;
    net::Accept(listener, &peer);
    net::SetBlocking(peer, true);
    unsigned char request[kRequestBytes];
    unsigned char answer[kAnswerBytes] = {3, 0, 0, kAnswerBytes};
    for (int i = 0; i < total && peer != net::kNoSocket; ++i) {
      if (!net::ReceiveAll(peer, request, sizeof request) ||
          !net::SendAll(peer, answer, sizeof answer)) {
        break;
      }
    }
    net::Close(peer);
  });
  net::Socket client = net::kNoSocket;
  bool ok = net::Connect(net::kLoopback, port, &client) == net::Error::kNone;
  std::vector<double> samples;
  unsigned char request[kRequestBytes] = {3, 0, 0, kRequestBytes};
  unsigned char answer[kAnswerBytes];
  for (int i = 0; ok && i < total; ++i) {
    if (i >= kWarmUp) progress.Show("raw loopback TCP ping-pong", i - kWarmUp, rounds);
    const Clock::time_point start = Clock::now();
    ok = net::SendAll(client, request, sizeof request) &&
         net::ReceiveAll(client, answer, sizeof answer);
    if (i >= kWarmUp) samples.push_back(Elapsed(start));
  }
  net::Close(client);
  echo.join();
  net::Close(listener);
  net::Stop();
  median = MedianMicroseconds(samples);
  return ok;
}

bool DriverReads(const BenchOptions& options, int rounds, Progress& progress, double& median,
                 std::string& error) {
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ignored) /
                                       ("zanhost-bench-" + std::to_string(ProcessId()));
  std::filesystem::create_directories(folder, ignored);
  std::ofstream(folder / "zanDOR01.INT", std::ios::binary) << "1=7, 127.0.0.1, 2\n";
  Simulator simulator;
  SimulatorSetup setup;
  setup.program = options.simulator;
  setup.plcs = {"127.0.0.1:s7:slot=2:db=10x100"};
  setup.folder = folder.string();
  bool ok = simulator.Start(setup, error);
  if (ok) {
    SetEnvironment("QUAXNET_PORT", std::to_string(simulator.port()));
    HostOptions host;
    host.driverFile = options.driverFile;
    host.directory = folder.string();
    host.quiet = true;
    HostSession session(host);
    Tag tag;
    tag.text = "01DW0100002";
    tag.hostType = kHostWord;
    ok = session.Init() && session.DefineTag(tag);
    if (!ok) error = "the driver could not read from the simulator";
    std::vector<double> samples;
    ValueBuffer values(1);
    for (int i = 0; ok && i < rounds + kWarmUp; ++i) {
      if (i >= kWarmUp)
        progress.Show("driver ReadValue against the simulator", i - kWarmUp, rounds);
      const Clock::time_point start = Clock::now();
      const int32_t result = session.Read(tag, values, true);
      if (i >= kWarmUp) samples.push_back(Elapsed(start));
      if (result != 0) {
        error = "ReadValue returned " + std::to_string(result) + " (" + ResultWord(result) + ")";
        ok = false;
      }
    }
    session.TakeLog(false);
    median = MedianMicroseconds(samples);
    simulator.Stop();
    std::filesystem::current_path(folder.parent_path(), ignored);
  }
  std::filesystem::remove_all(folder, ignored);
  return ok;
}

}  // namespace

CLI::App* AddBenchCommand(CLI::App& app, BenchOptions& options) {
  CLI::App* bench =
      app.add_subcommand("bench",
                         "median raw loopback TCP round trip, median driver ReadValue against the "
                         "simulator, and their ratio");
  bench->add_option("--simulator", options.simulator, "the simulator program (beside zanhost)");
  bench->add_option("-n,--rounds", options.rounds, "round trips measured of each kind")
      ->check(CLI::Range(1, 1000000))
      ->capture_default_str();
  bench->add_flag("--json", options.json, "one JSON object instead of the text");
  return bench;
}

int RunBench(const BenchOptions& options) {
  Progress progress(IsTerminal(stderr));
  double raw = 0;
  if (!RawPingPong(options.rounds, progress, raw)) {
    progress.End();
    std::fprintf(stderr, "zanhost: the raw loopback ping-pong failed (no TCP on 127.0.0.1?)\n");
    return kExitSetup;
  }
  double driver = 0;
  std::string error;
  const bool read = DriverReads(options, options.rounds, progress, driver, error);
  progress.End();
  if (!read) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  const double ratio = raw > 0 ? driver / raw : 0;
  if (options.json) {
    JsonObject object;
    object.Add("rounds", options.rounds)
        .Add("rawMedianMicroseconds", raw)
        .Add("readValueMedianMicroseconds", driver)
        .Add("ratio", ratio);
    std::printf("%s\n", object.str().c_str());
  } else {
    std::printf("raw loopback TCP ping-pong (%zu bytes out, %zu back): median %.1f us over %d\n",
                kRequestBytes, kAnswerBytes, raw, options.rounds);
    std::printf("driver ReadValue of 01DW0100002 against the simulator: median %.1f us over %d\n",
                driver, options.rounds);
    std::printf("ratio: %.2f (aim: 1.5 or less)\n", ratio);
  }
  return kExitOk;
}

}  // namespace zanhost

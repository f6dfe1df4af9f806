#include "bench/command.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "bench/clients.h"
#include "bench/plan_figures.h"
#include "bench/plant.h"
#include "bench/rounds.h"
#include "bench/scale.h"
#include "demo/simulator_control.h"
#include "os/host_platform.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "session/host_options.h"
#include "tags/host_types.h"

namespace zanhost {
namespace {

constexpr int kWarmUp = 200;
constexpr uint8_t kSlot = 2;
constexpr uint16_t kWordDataBlock = 10;
constexpr uint16_t kWordByte = 2;  // 01DW0100002
constexpr const char* kWordTag = "01DW0100002";
constexpr double kAimRate = 0.9;
constexpr double kAimCpu = 1.15;

// Threads that spin until the bench ends: the machine busy besides the bench and the simulator.
class BusyThreads {
 public:
  explicit BusyThreads(int count) {
    for (int i = 0; i < count; ++i) {
      threads_.emplace_back([this] {
        volatile uint64_t spins = 0;
        while (!stop_.load(std::memory_order_relaxed))
          spins = spins + 1;
      });
    }
  }
  ~BusyThreads() {
    stop_ = true;
    for (std::thread& thread : threads_)
      thread.join();
  }

 private:
  std::atomic<bool> stop_{false};
  std::vector<std::thread> threads_;
};

struct Results {
  std::vector<ReadKind> kinds;  // the driver, the bare client, the ping-pong
  CachePoll poll;
  Plant plant;
  PlanBench plan;
};

std::string KindJson(const ReadKind& kind) {
  JsonObject object;
  object.Add("name", kind.name)
      .Add("reads", static_cast<int64_t>(kind.reads))
      .Add("medianMicroseconds", Median(kind.samples))
      .Add("cpuMicrosecondsPerRead", CpuPerRead(kind));
  std::vector<std::string> rounds;
  for (const double median : kind.roundMedians)
    rounds.push_back(JsonNumber(median));
  object.AddRaw("roundMediansMicroseconds", JsonArray(rounds));
  return object.str();
}

void PrintJson(const BenchOptions& options, const Results& results) {
  if (options.planOnly) {
    JsonObject object;
    object.AddRaw("plan", PlanFiguresJson(results.plan));
    std::printf("%s\n", object.str().c_str());
    return;
  }
  const ReadKind& driver = results.kinds[0];
  const ReadKind& bare = results.kinds[1];
  const ReadKind& loopback = results.kinds[2];
  const double bareCpu = CpuPerRead(bare);
  JsonObject poll;
  poll.Add("blocks", results.poll.blocks)
      .Add("tags", results.poll.tags)
      .Add("rounds", static_cast<int>(results.poll.roundMilliseconds.size()))
      .Add("roundMedianMilliseconds", Median(results.poll.roundMilliseconds))
      .Add("servedMedianMilliseconds", Median(results.poll.servedMilliseconds));
  const Plant& plant = results.plant;
  JsonObject init;
  init.Add("plcs", kBenchPlcs).Add("connected", plant.connected).Add("seconds", plant.initSeconds);
  JsonObject plantReads;
  plantReads.Add("plcs", kBenchPlcs)
      .AddRaw("kinds", JsonArray({KindJson(plant.kinds[0]), KindJson(plant.kinds[1])}))
      .Add("amongToAloneRate", RateRatio(plant.kinds[1], plant.kinds[0]));
  JsonObject object;
  object.Add("readsPerRound", options.reads)
      .Add("rounds", options.rounds)
      .Add("busyThreads", options.busy)
      .AddRaw("kinds", JsonArray({KindJson(driver), KindJson(bare), KindJson(loopback)}))
      .Add("driverToBareRate", RateRatio(driver, bare))
      .Add("driverToBareCpu", bareCpu > 0 ? CpuPerRead(driver) / bareCpu : 0.0)
      .Add("driverToLoopbackRate", RateRatio(driver, loopback))
      .AddRaw("cachePoll", poll.str())
      .AddRaw("init", init.str())
      .AddRaw("plantReads", plantReads.str())
      .AddRaw("plan", PlanFiguresJson(results.plan));
  std::printf("%s\n", object.str().c_str());
}

void PrintPlanText(const Results& results) {
  for (const std::string& line : PlanFigureLines(results.plan))
    std::printf("%s\n", line.c_str());
}

void PrintText(const BenchOptions& options, const Results& results) {
  if (options.planOnly) return PrintPlanText(results);
  const ReadKind& driver = results.kinds[0];
  const ReadKind& bare = results.kinds[1];
  const ReadKind& loopback = results.kinds[2];
  const std::string busy = options.busy > 0
                               ? ", with " + std::to_string(options.busy) + " spinning thread" +
                                     (options.busy > 1 ? "s" : "") + " beside"
                               : "";
  std::printf("%d alternating rounds of %d reads of each kind against the simulator's PLC 1%s\n",
              options.rounds, options.reads, busy.c_str());
  std::printf("%-40s %10s %10s %12s\n", "", "median", "reads/s", "CPU/read");
  for (const ReadKind& kind : results.kinds) {
    const double median = Median(kind.samples);
    std::printf("%-40s %7.1f us %10.0f %9.1f us\n", kind.name.c_str(), median,
                median > 0 ? 1e6 / median : 0.0, CpuPerRead(kind));
  }
  const double bareCpu = CpuPerRead(bare);
  std::printf(
      "driver / bare client: rate %.2f (aim %.1f or more), CPU per read %.2f (aim %.2f or less)\n",
      RateRatio(driver, bare), kAimRate, bareCpu > 0 ? CpuPerRead(driver) / bareCpu : 0.0, kAimCpu);
  std::printf("driver / loopback ping-pong: rate %.2f\n", RateRatio(driver, loopback));
  std::printf(
      "poll of %d word tags from %d cache blocks: median %.2f ms a round (the tags alone %.2f ms) "
      "over %zu rounds (aim: under 10 ms)\n",
      results.poll.tags, results.poll.blocks, Median(results.poll.roundMilliseconds),
      Median(results.poll.servedMilliseconds), results.poll.roundMilliseconds.size());
  const Plant& plant = results.plant;
  std::printf("Init of %d PLCs: %.3f s, %d connected (aim: under 1 s; under 2 s under wine)\n",
              kBenchPlcs, plant.initSeconds, plant.connected);
  std::printf("then %d alternating rounds of %d reads of each, every PLC connected:\n",
              options.rounds, options.reads);
  for (const ReadKind& kind : plant.kinds) {
    const double median = Median(kind.samples);
    std::printf("%-40s %7.1f us %10.0f %9.1f us\n", kind.name.c_str(), median,
                median > 0 ? 1e6 / median : 0.0, CpuPerRead(kind));
  }
  std::printf("one PLC among %d / one PLC alone: rate %.2f (aim %.1f or more)\n", kBenchPlcs,
              RateRatio(plant.kinds[1], plant.kinds[0]), kAimRate);
  PrintPlanText(results);
}

// The reads and the cache poll against the simulator of one PLC at `port`.
bool MeasureReads(const BenchOptions& options, int port, const std::string& folder,
                  Progress& progress, Results& results, std::string& error) {
  std::ofstream(std::filesystem::path(folder) / "zanDOR01.INT", std::ios::binary)
      << "1=7, 127.0.0.1, " << int{kSlot} << "\n";
  SetEnvironment("QUAXNET_PORT", std::to_string(port));

  HostOptions host;
  host.driverFile = options.driverFile;
  host.directory = folder;
  host.quiet = true;
  HostSession session(host);
  Tag tag;
  tag.text = kWordTag;
  tag.hostType = kHostWord;
  if (!session.Init() || !session.DefineTag(tag)) {
    error = "the driver could not be set up to read " + tag.text;
    return false;
  }
  BareS7Client bare;
  if (!bare.Open(net::kLoopback, static_cast<uint16_t>(port), kSlot, kWordDataBlock, kWordByte,
                 error)) {
    return false;
  }
  LoopbackPingPong loopback;
  if (!loopback.Open()) {
    error = "the loopback ping-pong cannot start (no TCP on 127.0.0.1?)";
    return false;
  }
  ValueBuffer values(1);
  results.kinds.resize(3);
  results.kinds[0].name = std::string("driver ReadBlock of ") + kWordTag;
  results.kinds[0].read = [&] { return session.Read(tag, values, false) == 0; };
  results.kinds[1].name = "bare client, the same request";
  results.kinds[1].read = [&] { return bare.Read(); };
  results.kinds[2].name = "loopback ping-pong, the same sizes";
  results.kinds[2].read = [&] { return loopback.RoundTrip(); };
  if (!RunRounds(results.kinds, options.rounds, options.reads, kWarmUp, progress, error))
    return false;
  session.TakeLog(false);
  const bool polled = PollFromCache(session, options.pollRounds, progress, results.poll, error);
  session.Close();
  return polled;
}

}  // namespace

CLI::App* AddBenchCommand(CLI::App& app, BenchOptions& options) {
  CLI::App* bench = app.add_subcommand(
      "bench",
      "the driver's read of one word against a bare client and a loopback ping-pong in "
      "alternating rounds; a poll of 10,000 word tags from cache blocks; Init of 511 PLCs, then a "
      "read of one of them against the read of a PLC alone; the read plan against reading tag by "
      "tag and the least possible");
  bench->add_option("--simulator", options.simulator, "the simulator program (beside zanhost)");
  bench
      ->add_option("--port", options.port,
                   std::string("the reads go to a simulator already running at this port, with ") +
                       "--plc " + kBenchPlc + " (zanhost.exe under wine cannot start a Linux one)")
      ->check(CLI::Range(1, 65535));
  bench
      ->add_option("--init-port", options.initPort,
                   std::string("the Init and the reads of a PLC among 511 go to a simulator ") +
                       "already running at this port, with --plc " + kInitPlcs)
      ->check(CLI::Range(1, 65535));
  bench->add_option("-n,--reads", options.reads, "reads of each kind a round")
      ->check(CLI::Range(1, 1000000))
      ->capture_default_str();
  bench->add_option("-r,--rounds", options.rounds, "alternating rounds")
      ->check(CLI::Range(1, 10000))
      ->capture_default_str();
  bench->add_option("--poll-rounds", options.pollRounds, "rounds of the cache poll")
      ->check(CLI::Range(1, 10000))
      ->capture_default_str();
  bench->add_option("--busy", options.busy, "threads that keep other cores busy meanwhile")
      ->check(CLI::Range(0, 64))
      ->capture_default_str();
  bench
      ->add_option("--plan-rounds", options.planRounds,
                   "rounds of each kind (planned, tag by tag, least possible) of the read plan's "
                   "tag files")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  bench
      ->add_option("--plan-late", options.planLate,
                   "milliseconds that every answer of the read plan's tag files comes late (a real "
                   "PLC answers in 5 to 20)")
      ->check(CLI::Range(0, 1000))
      ->capture_default_str();
  bench->add_flag("--plan-only", options.planOnly,
                  "only the read plan: the cost of a request against its bytes and the rounds of "
                  "its tag files");
  bench->add_flag("--json", options.json, "one JSON object instead of the text");
  AcceptConfigFile(bench);
  return bench;
}

int RunBench(const BenchOptions& options) {
  std::error_code ignored;
  const std::filesystem::path folder = std::filesystem::temp_directory_path(ignored) /
                                       ("zanhost-bench-" + std::to_string(ProcessId()));
  std::filesystem::create_directories(folder, ignored);
  Progress progress(IsTerminal(stderr));
  Results results;
  std::string error;
  bool done;
  {
    BusyThreads busy(options.busy);
    // The simulator of one PLC serves the reads and the cache poll, and then the comparison with
    // a PLC of the plant.
    Simulator alone;
    int port = options.port;
    if (options.planOnly) {
      done = true;
    } else if (port == 0) {
      SimulatorSetup setup;
      setup.program = options.simulator;
      setup.plcs = {kBenchPlc};
      setup.folder = folder.string();
      done = alone.Start(setup, error);
      port = alone.port();
    } else {
      done = true;
    }
    done = done && (options.planOnly ||
                    MeasureReads(options, port, folder.string(), progress, results, error));
    if (done && !options.planOnly) {
      PlantOptions plant;
      plant.host.driverFile = options.driverFile;
      plant.simulator = options.simulator;
      plant.plantPort = options.initPort;
      plant.alonePort = port;
      plant.folder = folder.string();
      plant.rounds = options.rounds;
      plant.reads = options.reads;
      plant.warmUp = kWarmUp;
      done = MeasurePlant(plant, progress, results.plant, error);
    }
    if (done) {
      PlanBenchOptions plan;
      plan.host.driverFile = options.driverFile;
      plan.simulator = options.simulator;
      plan.folder = folder.string();
      plan.rounds = options.planRounds;
      plan.late = options.planLate;
      done = MeasurePlans(plan, progress, results.plan, error);
    }
  }
  progress.End();
  std::filesystem::current_path(folder.parent_path(), ignored);
  std::filesystem::remove_all(folder, ignored);
  if (!done) {
    std::fprintf(stderr, "zanhost: %s\n", error.c_str());
    return kExitSetup;
  }
  if (options.json) {
    PrintJson(options, results);
  } else {
    PrintText(options, results);
  }
  return kExitOk;
}

}  // namespace zanhost

// zanhost bench: how close the driver's read comes to the network's own round trip. In one run it
// measures the median round trip of a raw TCP ping-pong over loopback with the sizes of an S7
// read of one word (31 bytes out, 27 back), the median ReadValue of a data-block word through the
// driver against the simulator, and their ratio. A progress line shows while it runs.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

namespace zanhost {

struct BenchOptions {
  std::string driverFile;
  std::string simulator;  // zanplcsim beside zanhost when empty
  int rounds = 5000;      // measured round trips of each kind
  bool json = false;
};

CLI::App* AddBenchCommand(CLI::App& app, BenchOptions& options);
int RunBench(const BenchOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_

// zanhost bench: how close the driver's read of one word comes to the least that such a read can
// cost. Against one simulator PLC it alternates rounds of three kinds of read: the driver's
// ReadBlock of 01DW0100002, a bare S7 client of the same PLC and request (bench/clients.h) and a
// loopback TCP ping-pong of the same sizes; it reports each kind's median and processor time per
// read and the ratios of the driver to the other two. Then it times a poll of 10,000 word tags
// served from cache blocks (bench/scale.h) and the Init of 511 PLCs, after which a bare client's
// read of one PLC among the 511 is measured against the read of a PLC alone (bench/plant.h). Last
// the read plan: what a request costs against its bytes, and rounds of two tag files with the
// plan, tag by tag and at the least possible (bench/plan_figures.h). A progress line shows on
// standard error while it runs.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_
#define ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_

#include <CLI/CLI.hpp>

#include <string>

namespace zanhost {

struct BenchOptions {
  std::string driverFile;
  std::string simulator;  // zanplcsim beside zanhost when empty
  int port = 0;           // a simulator that already serves kBenchPlc there; 0: start one
  int initPort = 0;       // a simulator that already serves kInitPlcs there; 0: start one
  int reads = 200;        // reads of each kind a round
  int rounds = 50;        // alternating rounds: short ones pair the kinds closely
  int pollRounds = 20;    // rounds of the cache poll
  int busy = 0;           // threads that keep the other cores busy meanwhile
  int planRounds = 3;     // rounds of each kind of the read plan's tag files
  int planLate = 10;      // milliseconds that the answers of the read plan's PLCs come late
  bool planOnly = false;  // only the read plan's figures
  bool json = false;
};

CLI::App* AddBenchCommand(CLI::App& app, BenchOptions& options);
int RunBench(const BenchOptions& options);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_COMMAND_H_

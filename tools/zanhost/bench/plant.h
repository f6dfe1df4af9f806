// The plant of zanhost bench: the Init of an instance of 511 PLCs against a simulator of 511, and
// then, with every one of them connected, a bare client's read of one PLC among them against the
// same read of the only PLC of a simulator of one, in alternating rounds: a simulator of a plant
// answers one of its PLCs as fast as a simulator of that PLC alone.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_PLANT_H_
#define ZAN_TOOLS_ZANHOST_BENCH_PLANT_H_

#include <string>
#include <vector>

#include "bench/rounds.h"
#include "session/host_session.h"

namespace zanhost {

// The PLCs of the Init: every row of the PLC table, 127.0.0.1 to 127.0.1.255, each with the word
// that the bare client reads (data block 10, byte 2).
constexpr int kBenchPlcs = 511;
constexpr const char* kInitPlcs = "1-511:s7:db=10x16";

struct PlantOptions {
  HostOptions host;       // the driver's file
  std::string simulator;  // zanplcsim beside zanhost when empty
  int plantPort = 0;      // a simulator of kInitPlcs already there; 0: start one
  int alonePort = 0;      // the simulator of one PLC (PLC 1, slot 2) that the reads compare to
  std::string folder;     // for the configuration and the simulator's files
  int rounds = 0;         // alternating rounds of the two reads
  int reads = 0;          // reads of each a round
  int warmUp = 0;
};

struct Plant {
  double initSeconds = 0;
  int connected = 0;            // as Init reported them
  std::vector<ReadKind> kinds;  // PLC 1 of a simulator of one, then one PLC among 511
};

// Times the Init of instance 2, configured with kBenchPlcs S7 PLCs, then runs the alternating
// reads while its connections stay open. False, with the reason, when Init fails, a simulator
// cannot be reached or a read fails.
bool MeasurePlant(const PlantOptions& options, Progress& progress, Plant& plant,
                  std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_PLANT_H_

// The two larger measurements of zanhost bench: a poll of 10,000 word tags that cache blocks serve,
// and the Init of an instance of 511 PLCs.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_
#define ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_

#include <string>
#include <vector>

#include "bench/rounds.h"
#include "session/host_session.h"

namespace zanhost {

// The simulator's PLC 1 for the bench: the word that the reads take, and room for the cache.
constexpr const char* kBenchPlc = "1:s7:slot=2:db=10x10000,db=11x10000";
// The PLCs of the Init: every row of the PLC table, 127.0.0.1 to 127.0.1.255. A simulator of its
// own: one that serves 511 PLCs answers each request several times slower.
constexpr int kBenchPlcs = 511;
constexpr const char* kInitPlcs = "1-511:s7:db=10x16";

struct CachePoll {
  int blocks = 0;
  int tags = 0;
  std::vector<double> roundMilliseconds;   // the blocks fetched and every tag read
  std::vector<double> servedMilliseconds;  // the tags alone, served from the blocks
};

// Defines cache-block tags of 1000 bytes over data blocks 10 and 11 of PLC 1 (kBenchPlc) and a
// word tag for every word they hold, then polls `rounds` times: each block fetched once, then every
// tag read. False, with the reason, when the driver refuses a tag or a read.
bool PollFromCache(HostSession& session, int rounds, Progress& progress, CachePoll& poll,
                   std::string& error);

// Times the Init of instance 2, configured with kBenchPlcs S7 PLCs, in `folder`, against the
// simulator at `port`, or (0) one of kInitPlcs started for it. `connected` receives how many Init
// reported connected.
bool TimeInitOfAllPlcs(const HostOptions& host, const std::string& simulatorProgram, int port,
                       const std::string& folder, double& seconds, int& connected,
                       std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_

// The poll of zanhost bench: 10,000 word tags that cache blocks serve.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_
#define ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_

#include <string>
#include <vector>

#include "bench/rounds.h"
#include "session/host_session.h"

namespace zanhost {

// The simulator's PLC 1 for the bench: the word that the reads take, and room for the cache.
constexpr const char* kBenchPlc = "1:s7:slot=2:db=10x10000,db=11x10000";

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

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_SCALE_H_

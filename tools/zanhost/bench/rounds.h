// The measuring part of zanhost bench: kinds of read run in alternating rounds, each read timed
// and the processor time of every round taken, so that a machine that slows down or speeds up
// during the run weighs on every kind alike.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_ROUNDS_H_
#define ZAN_TOOLS_ZANHOST_BENCH_ROUNDS_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zanhost {

// The progress line on standard error: redrawn on a terminal, one line a phase otherwise.
class Progress {
 public:
  explicit Progress(bool terminal) : terminal_(terminal) {}
  void Show(const std::string& what, int done, int total);
  void End();

 private:
  bool terminal_;
  std::string shown_;
};

// One kind of read, and what the rounds measured of it.
struct ReadKind {
  std::string name;
  std::function<bool()> read;        // one read; false when it failed
  std::vector<double> samples;       // microseconds, each read
  std::vector<double> roundMedians;  // microseconds, one a round
  uint64_t cpuMicroseconds = 0;      // of this thread, over every round
  long reads = 0;
};

// Runs `warmUp` reads of each kind, then `rounds` rounds in which every kind makes `reads` reads
// in turn; the order turns by one kind each round. False, with the kind and read in `error`, when
// a read fails.
bool RunRounds(std::vector<ReadKind>& kinds, int rounds, int reads, int warmUp, Progress& progress,
               std::string& error);

// The median (the mean of the middle two for an even count); 0 for none.
double Median(std::vector<double> values);

// Per read of `kind`: its median, the processor time.
double CpuPerRead(const ReadKind& kind);

// How fast `kind` reads against `reference` (above 1: faster): the median over the rounds of the
// reference's round median over the kind's, each pair measured side by side.
double RateRatio(const ReadKind& kind, const ReadKind& reference);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_ROUNDS_H_

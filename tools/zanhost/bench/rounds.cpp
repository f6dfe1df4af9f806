#include "bench/rounds.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "os/host_platform.h"

namespace zanhost {
namespace {

using Clock = std::chrono::steady_clock;

// Runs `count` reads of `kind`, adding their times to `samples` when given.
bool ReadMany(ReadKind& kind, int count, std::vector<double>* samples, std::string& error) {
  for (int i = 0; i < count; ++i) {
    const Clock::time_point start = Clock::now();
    const bool read = kind.read();
    const Clock::time_point end = Clock::now();
    if (!read) {
      error = kind.name + ": read " + std::to_string(i + 1) + " failed";
      return false;
    }
    if (samples != nullptr)
      samples->push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  return true;
}

}  // namespace

void Progress::Show(const std::string& what, int done, int total) {
  if (terminal_) {
    std::fprintf(stderr, "\rbench: %s %d/%d   ", what.c_str(), done, total);
    std::fflush(stderr);
  } else if (what != shown_) {
    std::fprintf(stderr, "bench: %s\n", what.c_str());
  }
  shown_ = what;
}

void Progress::End() {
  if (terminal_) std::fprintf(stderr, "\r\x1b[K");
}

bool RunRounds(std::vector<ReadKind>& kinds, int rounds, int reads, int warmUp, Progress& progress,
               std::string& error) {
  for (ReadKind& kind : kinds) {
    if (!ReadMany(kind, warmUp, nullptr, error)) return false;
  }
  std::vector<double> round;
  for (int r = 0; r < rounds; ++r) {
    progress.Show("alternating rounds of reads", r, rounds);
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      ReadKind& kind = kinds[(k + static_cast<std::size_t>(r)) % kinds.size()];
      round.clear();
      const uint64_t cpuBefore = ThreadCpuMicroseconds();
      if (!ReadMany(kind, reads, &round, error)) return false;
      kind.cpuMicroseconds += ThreadCpuMicroseconds() - cpuBefore;
      kind.reads += reads;
      kind.roundMedians.push_back(Median(round));
      kind.samples.insert(kind.samples.end(), round.begin(), round.end());
    }
  }
  progress.Show("alternating rounds of reads", rounds, rounds);
  return true;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const std::size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle),
                   values.end());
  const double upper = values[middle];
  if (values.size() % 2 != 0) return upper;
  const double lower =
      *std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle));
  return (lower + upper) / 2;
}

double CpuPerRead(const ReadKind& kind) {
  return kind.reads > 0 ? static_cast<double>(kind.cpuMicroseconds) / kind.reads : 0;
}

double RateRatio(const ReadKind& kind, const ReadKind& reference) {
  std::vector<double> ratios;
  for (std::size_t r = 0; r < kind.roundMedians.size() && r < reference.roundMedians.size(); ++r) {
    if (kind.roundMedians[r] > 0)
      ratios.push_back(reference.roundMedians[r] / kind.roundMedians[r]);
  }
  return Median(ratios);
}

}  // namespace zanhost

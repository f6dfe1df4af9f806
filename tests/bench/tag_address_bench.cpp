// The cost of one ParseTagAddress (command 3 through ZanMain) for accepted and refused texts. The
// host's log function is a stub that formats nothing, so a refusal costs the parse alone.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "core/host_interface.h"
#include "core/host_services.h"
#include "support/quiet_host.h"

namespace {

struct Address {
  const char* text;
  int32_t hostType;
};

// Accepted: one text of each form.
constexpr Address kAccepted[] = {
    {"01DW0100020", 1},   {"01XW010001A", 1},   {"01DD0100006", 4},     {"02DF0100005", 3},
    {"01DW010002012", 6}, {"01SB010001020", 7}, {"01TB01000000100", 1}, {"01IB000203", 6},
    {"01MW0020", 1},      {"!05", 1},
};
// Refused at different depths: the length, the characters, the PLC table, a form's rules.
constexpr Address kRefused[] = {
    {"01DW0100020 this is no address", 1},
    {"01ZW0100020", 1},
    {"05DW0100020", 1},
    {"02DB0100005", 1},
    {"01DD0100005", 4},
    {"01DS010001081", 7},
    {"01IB00020", 1},
};

class ParserBench {
 public:
  ParserBench() : state_(new DriverState) {
    zan::InstallHostServices(&zan::testing::kQuietHost);
    std::memset(state_.get(), 0, sizeof(DriverState));
    zan::ResetDriverState(*state_);
    std::strcpy(state_->plcs[1].ipAddress, "127.0.0.1");
    std::strcpy(state_->plcs[2].ipAddress, "127.0.0.2");
    state_->plcs[2].type = kPlcTypeS5;
  }

  int32_t Parse(const Address& address) {
    TagDefinition definition{};
    definition.addressText = address.text;
    definition.tagId = 1;
    definition.hostType = address.hostType;
    ZanRequest request{};
    request.state = state_.get();
    request.command = kCommandParseTagAddress;
    request.argument = &definition;
    const int32_t result = ZanMain(&request);
    benchmark::DoNotOptimize(definition);
    return result;
  }

 private:
  std::unique_ptr<DriverState> state_;
};

template <std::size_t N>
void RunAll(benchmark::State& loop, const Address (&addresses)[N], int32_t expected) {
  ParserBench bench;
  for (const Address& address : addresses) {
    if (bench.Parse(address) != expected) {
      loop.SkipWithError(address.text);
      return;
    }
  }
  for (auto _ : loop) {
    for (const Address& address : addresses)
      benchmark::DoNotOptimize(bench.Parse(address));
  }
  // Per parse, not per pass over the list.
  loop.SetItemsProcessed(static_cast<int64_t>(loop.iterations() * N));
  loop.counters["ns_per_parse"] =
      benchmark::Counter(static_cast<double>(loop.iterations() * N),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ParseAccepted(benchmark::State& loop) {
  RunAll(loop, kAccepted, 0);
}
void BM_ParseRefused(benchmark::State& loop) {
  RunAll(loop, kRefused, 1);
}

void BM_ParseEach(benchmark::State& loop) {
  ParserBench bench;
  const Address& address = kAccepted[loop.range(0)];
  loop.SetLabel(address.text);
  for (auto _ : loop)
    benchmark::DoNotOptimize(bench.Parse(address));
}

}  // namespace

BENCHMARK(BM_ParseAccepted);
BENCHMARK(BM_ParseRefused);
BENCHMARK(BM_ParseEach)->DenseRange(0, static_cast<int>(std::size(kAccepted)) - 1);

BENCHMARK_MAIN();

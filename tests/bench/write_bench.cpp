// The cost of the writing side: EncodeS5Float per value, and one WriteBlock (command 10 through
// ZanMain) of 100 words. The write runs on the scripted transport of the unit tests, which records
// every call (its calls are cleared after each write, inside the timing), and on a bare transport
// that answers 0 at once, which leaves the driver's own cost. Log lines are formatted and dropped.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "core/host_interface.h"
#include "core/host_services.h"
#include "support/quiet_host.h"
#include "support/scripted_transport.h"
#include "transport/transport_binding.h"
#include "write/s5_float_encode.h"

namespace {

constexpr int kWords = 100;

void BM_EncodeS5Float(benchmark::State& loop) {
  // Host values over the whole single-precision range, both signs.
  std::mt19937 random(1);
  std::vector<double> values(1024);
  for (double& value : values) {
    const float single = std::ldexp(static_cast<float>(random()) / 4294967296.0f,
                                    static_cast<int>(random() % 200) - 100);
    value = (random() & 1) != 0 ? single : -single;
  }
  for (auto _ : loop) {
    for (double value : values)
      benchmark::DoNotOptimize(zan::EncodeS5Float(value));
  }
  loop.SetItemsProcessed(static_cast<int64_t>(loop.iterations() * values.size()));
}

// A transport that takes every request at once; only the two write operations are ever called.
int ZAN_STDCALL BareLibrary() {
  return 0;
}
int ZAN_STDCALL BareOpenS7(ConnectRequest*, uint32_t) {
  return 1;
}
int ZAN_STDCALL BareOpenS5(ConnectRequest*) {
  return 1;
}
int ZAN_STDCALL BareHandle(uint32_t) {
  return 0;
}
int ZAN_STDCALL BareSendRead(TransferRecord*) {
  return 9;
}
int ZAN_STDCALL BareReceive(uint32_t, void*, uint16_t*, uint32_t) {
  return 9;
}
int ZAN_STDCALL BareSendWrite(TransferRecord*, const void*) {
  return 0;
}
int ZAN_STDCALL BareCompletion(uint16_t* status, uint32_t) {
  *status = 0;
  return 0;
}
constexpr TransportOperations kBareTransport = {
    &BareLibrary, &BareLibrary,  &BareOpenS7,  &BareOpenS5,    &BareHandle,     &BareHandle,
    &BareHandle,  &BareSendRead, &BareReceive, &BareSendWrite, &BareCompletion,
};

class WriteBench {
 public:
  explicit WriteBench(uint8_t plcType) : state_(new DriverState) {
    zan::InstallHostServices(&zan::testing::kQuietHost);
    std::memset(state_.get(), 0, sizeof(DriverState));
    zan::ResetDriverState(*state_);
    state_->timeout = 1000;
    PlcEntry& plc = state_->plcs[1];
    std::strcpy(plc.ipAddress, "127.0.0.1");
    plc.type = plcType;
    plc.readConnection = 1;
    plc.linkState = kLinkConnected;
    values_.resize(2 * kWords);
    for (int i = 0; i < 2 * kWords; ++i)
      values_[i] = static_cast<uint8_t>(i);
    item_.addressText = "01DW0100000";
    item_.plc = 1;
    item_.kind = zan::kKindWord;
    item_.address = 10 << 16;
    item_.bit = zan::kBitWholeValue;
    item_.count = kWords;
    item_.valueBuffer = values_.data();
    request_.state = state_.get();
    request_.command = kCommandWriteBlock;
    request_.argument = &item_;
  }

  // Slots 0..99 hold blocks of other data blocks, so that the cache update looks at every slot.
  void FillCache() {
    for (int slot = 0; slot < kCacheBlockCount; ++slot) {
      CacheBlock& block = state_->cache[slot];
      block.tagId = slot;
      block.plcNumber = 1;
      block.dbNumber = static_cast<uint16_t>(slot == 50 ? 10 : 20 + slot);
      block.start = 0;
      block.length = 1000;
      block.valid = 1;
    }
  }

  int32_t Write() { return ZanMain(&request_); }

 private:
  std::unique_ptr<DriverState> state_;
  std::vector<uint8_t> values_;
  TagItem item_{};
  ZanRequest request_{};
};

void WriteOnScripted(benchmark::State& loop, uint8_t plcType, bool cache) {
  zan::testing::ScriptedTransport transport;
  WriteBench bench(plcType);
  if (cache) bench.FillCache();
  if (bench.Write() != kResultDone) {
    loop.SkipWithError("write failed");
    return;
  }
  for (auto _ : loop) {
    benchmark::DoNotOptimize(bench.Write());
    transport.ClearCalls();
  }
  loop.SetItemsProcessed(loop.iterations());
}

void BM_WriteBlock100WordsS7(benchmark::State& loop) {
  WriteOnScripted(loop, kPlcTypeS7, false);
}
void BM_WriteBlock100WordsS5(benchmark::State& loop) {
  WriteOnScripted(loop, kPlcTypeS5, false);
}
void BM_WriteBlock100WordsS7FullCache(benchmark::State& loop) {
  WriteOnScripted(loop, kPlcTypeS7, true);
}

void BM_WriteBlock100WordsS7BareTransport(benchmark::State& loop) {
  zan::InstallTransport(&kBareTransport);
  WriteBench bench(kPlcTypeS7);
  if (bench.Write() != kResultDone) loop.SkipWithError("write failed");
  for (auto _ : loop)
    benchmark::DoNotOptimize(bench.Write());
  loop.SetItemsProcessed(loop.iterations());
  zan::InstallTransport(nullptr);
}

}  // namespace

BENCHMARK(BM_EncodeS5Float);
BENCHMARK(BM_WriteBlock100WordsS7);
BENCHMARK(BM_WriteBlock100WordsS5);
BENCHMARK(BM_WriteBlock100WordsS7FullCache);
BENCHMARK(BM_WriteBlock100WordsS7BareTransport);

BENCHMARK_MAIN();

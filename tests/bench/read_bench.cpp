// The cost of reading: a word answered from the block cache through ZanMain, DecodeS5Float, and a
// whole ReadBlock of a word through a transport that answers at once. The host's log function
// formats and drops; nothing sleeps.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "core/host_interface.h"
#include "core/host_services.h"
#include "core/sleep.h"
#include "read/s5_float_decode.h"
#include "support/quiet_host.h"
#include "transport/transport_binding.h"

namespace {

// A transport whose reads succeed at once with the word 12 34; it counts the sends, so that a
// benchmark can tell a cache hit from a transfer.
int sends = 0;

int ZAN_STDCALL Fail() {
  return 1;
}
int ZAN_STDCALL FailOpenS7(ConnectRequest*, uint32_t) {
  return 1;
}
int ZAN_STDCALL FailOpenS5(ConnectRequest*) {
  return 1;
}
int ZAN_STDCALL FailHandle(uint32_t) {
  return 1;
}
int ZAN_STDCALL SendRead(TransferRecord*) {
  ++sends;
  return 0;
}
int ZAN_STDCALL ReceiveRead(uint32_t, void* buffer, uint16_t* status, uint32_t) {
  static constexpr uint8_t kWord[] = {0x12, 0x34};
  std::memcpy(buffer, kWord, sizeof kWord);
  *status = 0;
  return 0;
}
int ZAN_STDCALL FailSendWrite(TransferRecord*, const void*) {
  return 1;
}
int ZAN_STDCALL FailCompletion(uint16_t*, uint32_t) {
  return 1;
}

constexpr TransportOperations kAnswering = {
    &Fail,       &Fail,     &FailOpenS7,  &FailOpenS5,    &FailHandle,     &FailHandle,
    &FailHandle, &SendRead, &ReceiveRead, &FailSendWrite, &FailCompletion,
};

void NoSleep(uint32_t) {}

// PLC 1, a connected S7; every cache slot registered.
class ReadBench {
 public:
  ReadBench() : state_(new DriverState) {
    zan::InstallHostServices(&zan::testing::kQuietHost);
    zan::InstallTransport(&kAnswering);
    zan::InstallSleepFunction(&NoSleep);
    std::memset(state_.get(), 0, sizeof(DriverState));
    zan::ResetDriverState(*state_);
    state_->timeout = 1000;
    std::strcpy(state_->plcs[1].ipAddress, "127.0.0.1");
    state_->plcs[1].readConnection = 1;
    state_->plcs[1].linkState = kLinkConnected;
  }
  ~ReadBench() {
    zan::InstallTransport(nullptr);
    zan::InstallSleepFunction(nullptr);
  }

  DriverState& state() { return *state_; }

  int32_t ReadBlock(TagItem& item) {
    ZanRequest request{};
    request.state = state_.get();
    request.command = kCommandReadBlock;
    request.argument = &item;
    return ZanMain(&request);
  }

 private:
  std::unique_ptr<DriverState> state_;
};

// The word at byte 20 of data block 10 on PLC 1, as the parser makes it (01DW0100020).
TagItem WordTag(uint8_t* values) {
  TagItem item{};
  item.addressText = "01DW0100020";
  item.plc = 1;
  item.kind = zan::kKindWord;
  item.address = (10 << 16) | 10;
  item.bit = zan::kBitWholeValue;
  item.count = 1;
  item.tagId = 1;
  item.valueBuffer = values;
  return item;
}

void BM_CachedWordReadInLastSlot(benchmark::State& loop) {
  ReadBench bench;
  // Slots 0 to 98 hold other data blocks of the same PLC; slot 99 holds bytes 0 to 999 of
  // data block 10, valid.
  for (int slot = 0; slot < kCacheBlockCount; ++slot) {
    CacheBlock& block = bench.state().cache[slot];
    block.tagId = 1000 + slot;
    block.plcNumber = 1;
    block.dbNumber = static_cast<uint16_t>(slot == kCacheBlockCount - 1 ? 10 : 100 + slot);
    block.start = 0;
    block.length = kCacheBlockBytes;
    block.valid = 1;
  }
  uint8_t values[4] = {};
  TagItem item = WordTag(values);
  sends = 0;
  if (bench.ReadBlock(item) != 0 || sends != 0) {
    loop.SkipWithError("not answered from the cache");
    return;
  }
  for (auto _ : loop) {
    benchmark::DoNotOptimize(bench.ReadBlock(item));
    benchmark::DoNotOptimize(values);
  }
}

void BM_ReadBlockWordThroughTransport(benchmark::State& loop) {
  ReadBench bench;
  uint8_t values[4] = {};
  TagItem item = WordTag(values);
  sends = 0;
  if (bench.ReadBlock(item) != 0 || sends != 1 || values[0] != 0x34) {
    loop.SkipWithError("not read through the transport");
    return;
  }
  for (auto _ : loop) {
    benchmark::DoNotOptimize(bench.ReadBlock(item));
    benchmark::DoNotOptimize(values);
  }
}

void BM_DecodeS5Float(benchmark::State& loop) {
  // Positive, negative, unnormalised, tiny and huge patterns.
  static constexpr uint32_t kPatterns[] = {0x01400000, 0x079C0000, 0xFD666667, 0x01C00000,
                                           0x80400000, 0x7F7FFFFF, 0x80000000, 0x00800000};
  for (auto _ : loop) {
    for (uint32_t pattern : kPatterns)
      benchmark::DoNotOptimize(zan::DecodeS5Float(pattern));
  }
  loop.SetItemsProcessed(static_cast<int64_t>(loop.iterations() * std::size(kPatterns)));
  loop.counters["ns_per_decode"] =
      benchmark::Counter(static_cast<double>(loop.iterations() * std::size(kPatterns)),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_CachedWordReadInLastSlot);
BENCHMARK(BM_ReadBlockWordThroughTransport);
BENCHMARK(BM_DecodeS5Float);

BENCHMARK_MAIN();

// Any bytes as an address text, with options, host type, tag id, PLC table and cache occupancy
// taken from the input's first bytes: the parser must never read or write out of bounds, must log
// exactly one line per refusal, and what it accepts must be in range.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "core/host_services.h"
#include "support/quiet_host.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

// The input's header: what the parser reads besides the text.
constexpr std::size_t kHeaderBytes = 20;
constexpr int kAddressPlcs = 100;

struct Header {
  uint8_t options;         // bit 0 LONG_DB, bit 1 FLOAT_ODD_ADDRESS, bit 2 check-only
  uint8_t hostType;        // 0 to 8 matter
  uint8_t tagId;           // small, so that tags meet their own slots; 255 stands for -1
  uint8_t claimed;         // slots held by other tags, up to all 100
  uint8_t configured[13];  // one bit per PLC row 0 to 99
  uint8_t types[3];        // two bits per row, cycled: S5, type 6, S7 or the zero of a fresh block
};
static_assert(sizeof(Header) == kHeaderBytes);

void Prepare(DriverState& state, const Header& header) {
  std::memset(&state, 0, sizeof state);
  zan::ResetDriverState(state);
  state.longDb = header.options & 1;
  state.floatOddAddress = (header.options >> 1) & 1;
  static constexpr uint8_t kTypes[4] = {5, 6, 7, 0};
  for (int row = 0; row < kAddressPlcs; ++row) {
    if (((header.configured[row / 8] >> (row % 8)) & 1) == 0) continue;
    std::strcpy(state.plcs[row].ipAddress, "127.0.0.1");
    state.plcs[row].type = kTypes[(header.types[row % 3] >> (2 * (row % 4))) & 3];
  }
  for (int slot = 0; slot < header.claimed % (kCacheBlockCount + 1); ++slot) {
    state.cache[slot].tagId = 1000 + slot;
    state.cache[slot].length = 10;
  }
}

bool IsKind(int32_t kind) {
  using namespace zan;
  for (int32_t code : {kKindWord,       kKindWordOddByte,     kKindByte,
                       kKindDoubleWord, kKindDoubleWordHalf,  kKindFloat,
                       kKindFloatHalf,  kKindFloatOddByte,    kKindFloatOddByteHalf,
                       kKindString,     kKindCharacters,      kKindCacheBlock,
                       kKindStatus,     kKindMasterHeartbeat, kKindBackupHeartbeat,
                       kKindInputByte,  kKindInputWord,       kKindOutputByte,
                       kKindOutputWord, kKindFlagByte,        kKindFlagWord}) {
    if (kind == code) return true;
  }
  return false;
}

void CheckAccepted(const DriverState& state, const TagDefinition& definition) {
  using namespace zan;
  const int32_t kind = definition.kind;
  Require(IsKind(kind));
  Require(definition.bit == kBitWholeValue || definition.bit <= 15);
  const bool wide = kind == kKindDoubleWord || kind == kKindDoubleWordHalf || IsFloatKind(kind);
  // The odd float kinds exist only for S7 floats under FLOAT_ODD_ADDRESS.
  if (kind == kKindFloatOddByte || kind == kKindFloatOddByteHalf)
    Require(state.floatOddAddress == 1 && state.plcs[definition.plc & 0xFF].type == kPlcTypeS7);
  Require(definition.width == (wide ? kWidth32 : kWidth16));
  if (kind == kKindStatus) {
    Require(definition.plc == kStatusPlc);
    Require(definition.address >= 0 && definition.address <= 99);
    return;
  }
  const int row = definition.plc & 0xFF;
  const bool heartbeat = kind == kKindMasterHeartbeat || kind == kKindBackupHeartbeat;
  Require(row < kAddressPlcs && IsConfiguredPlc(state, row));
  Require(definition.plc == row + (heartbeat ? kHeartbeatPlcOffset : 0));
  Require(definition.address >= 0 && (definition.address >> 16) <= 9999);
  if (state.plcs[row].type == kPlcTypeS5 && (kind & 0xFF) != 'I' && (kind & 0xFF) != 'Q' &&
      (kind & 0xFF) != 'M')
    Require((definition.address >> 16) <= 255 && kind != kKindByte);
  if (kind == kKindCacheBlock) {
    Require(state.plcs[row].type == kPlcTypeS7);
    int owned = 0;
    for (const CacheBlock& block : state.cache) {
      if (block.tagId != definition.tagId) continue;
      ++owned;
      Require(block.plcNumber == row && block.length <= kCacheBlockBytes);
      Require(block.start == (definition.address & 0xFFFF));
    }
    Require(owned == 1);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  zan::InstallHostServices(&zan::testing::kQuietHost);
  Header header;
  std::memcpy(&header, data, kHeaderBytes);
  static auto* state = new DriverState;
  Prepare(*state, header);

  // The text in a buffer of exactly its own size, so the sanitizer sees a read past its end.
  const std::size_t textSize = size - kHeaderBytes;
  std::unique_ptr<char[]> text(new char[textSize + 1]);
  std::memcpy(text.get(), data + kHeaderBytes, textSize);
  text[textSize] = '\0';

  TagDefinition definition{};
  definition.addressText = text.get();
  definition.tagId = header.tagId == 255 ? -1 : header.tagId;
  definition.hostType = header.hostType % 9;
  const auto mode = (header.options & 4) != 0 ? zan::ParseMode::kCheckOnly : zan::ParseMode::kFull;

  zan::testing::quietHostLines = 0;
  const int32_t result = zan::ParseTagDefinition(*state, definition, mode);
  Require(result == 0 || result == 1);
  if (result == 0) {
    Require(zan::testing::quietHostLines == (definition.kind == zan::kKindCacheBlock ? 1 : 0));
    CheckAccepted(*state, definition);
  } else {
    Require(zan::testing::quietHostLines == 1);
  }

  const int32_t length = zan::StringTagLength(*state, text.get());
  Require(length >= 0 && length <= zan::kStringLengthMax);
  return 0;
}

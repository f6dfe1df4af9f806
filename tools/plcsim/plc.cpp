#include "plc.h"

#include <cstdio>

#include "core/byte_order.h"

namespace plcsim {

std::string AddressText(uint32_t address) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 255,
                (address >> 8) & 255, address & 255);
  return text;
}

Plc::Plc(const PlcConfig& config) : config_(config), memory_(config) {}

uint8_t* Plc::HeartbeatWord() {
  const HeartbeatConfig& heartbeat = config_.heartbeat;
  uint8_t* word = nullptr;
  if (!heartbeat.enabled || memory_.Locate(Area::kDataBlock, heartbeat.dataBlock, heartbeat.offset,
                                           2, &word) != Access::kDone) {
    return nullptr;
  }
  return word;
}

void Plc::BeforeRequest(RequestKind kind) {
  switch (kind) {
    case RequestKind::kRead:
      ++counts_.reads;
      break;
    case RequestKind::kWrite:
      ++counts_.writes;
      break;
    case RequestKind::kIdentification:
      ++counts_.identifications;
      return;
    case RequestKind::kOther:
      ++counts_.others;
      return;
  }
  if (config_.heartbeat.beat == HeartbeatConfig::Beat::kRequest && HeartbeatBeats()) {
    StepHeartbeat(1);
  }
}

void Plc::StepHeartbeat(uint32_t count) {
  uint8_t* word = HeartbeatWord();
  if (word != nullptr) {
    zan::StoreBig16(word, static_cast<uint16_t>(zan::LoadBig16(word) + count));
  }
}

uint16_t Plc::HeartbeatValue() {
  const uint8_t* word = HeartbeatWord();
  return word != nullptr ? zan::LoadBig16(word) : 0;
}

uint64_t Plc::TickHeartbeat(uint64_t now) {
  const HeartbeatConfig& heartbeat = config_.heartbeat;
  if (!heartbeat.enabled || heartbeat.beat != HeartbeatConfig::Beat::kPeriod) return UINT64_MAX;
  const uint64_t period = heartbeat.periodMilliseconds;
  if (nextBeat_ == 0 || now >= nextBeat_ + 1000 * period) {
    nextBeat_ = now + period;  // first tick, or after a long stall: no burst of steps
  }
  while (now >= nextBeat_) {
    if (HeartbeatBeats()) StepHeartbeat(1);
    nextBeat_ += period;
  }
  return nextBeat_;
}

}  // namespace plcsim

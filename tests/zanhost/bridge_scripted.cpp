#include "zanhost/bridge_scripted.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "address/tag_address.h"
#include "output/result_words.h"
#include "plan/plan_rounds.h"
#include "session/failure_report.h"
#include "tags/host_types.h"

namespace zanhost::testing {

bool ScriptedMqtt::StartConnect(std::string&) {
  ++connects;
  state_ = MqttState::kConnecting;
  return true;
}

MqttState ScriptedMqtt::Service(int milliseconds, std::vector<MqttMessage>& received,
                                std::string& error) {
  if (state_ == MqttState::kConnected) {
    const double gap = now_ - lastService_;
    longestGap = std::max(longestGap, gap);
    // A broker closes a client that sent nothing for one and a half keepalives.
    if (gap > 1.5 * keepAlive_) {
      ++lost;
      state_ = MqttState::kDown;
      error = "keepalive missed";
      return state_;
    }
  }
  now_ += milliseconds / 1000.0;
  if (state_ == MqttState::kConnected && dropAt > 0 && now_ >= dropAt) {
    dropAt = 0;
    state_ = MqttState::kDown;
    error = "connection lost";
    return state_;
  }
  if (state_ == MqttState::kConnecting) {
    state_ = MqttState::kConnected;
    for (Published& again : unacknowledged_) {
      published.push_back(Published{again.topic, again.payload, again.qos, again.retain, now_});
      again.at = now_ + ackSeconds;
    }
  }
  if (state_ == MqttState::kConnected) {
    std::erase_if(unacknowledged_, [this](const Published& sent) { return sent.at <= now_; });
  }
  lastService_ = now_;
  if (state_ == MqttState::kConnected) {
    received.insert(received.end(), inbox_.begin(), inbox_.end());
    inbox_.clear();
  }
  return state_;
}

bool ScriptedMqtt::Publish(const std::string& topic, const std::string& payload, int qos,
                           bool retain, std::string& error) {
  if (state_ != MqttState::kConnected) {
    error = "not connected";
    return false;
  }
  if (refusedTopics.count(topic) != 0) {
    error = "Malformed UTF-8";
    return false;
  }
  published.push_back(Published{topic, payload, qos, retain, now_});
  if (qos > 0) unacknowledged_.push_back(Published{topic, payload, qos, retain, now_ + ackSeconds});
  return true;
}

bool ScriptedMqtt::Subscribe(const std::string& pattern, int) {
  subscriptions.push_back(pattern);
  return state_ == MqttState::kConnected;
}

bool ScriptedMqtt::SetWill(const std::string& topic, const std::string& payload, int qos,
                           bool retain, std::string&) {
  wills.push_back(Published{topic, payload, qos, retain, now_});
  return true;
}

void ScriptedMqtt::Disconnect() {
  cleanDisconnect = state_ == MqttState::kConnected;
  state_ = MqttState::kDown;
}

ScriptedDriver::ScriptedDriver(double& now, int plcs)
    : now_(now), state_(std::make_unique<DriverState>()) {
  std::memset(state_.get(), 0, sizeof(DriverState));
  state_->timeout = 100;
  for (CacheBlock& block : state_->cache)
    block.tagId = kCacheSlotFree;
  for (int number = 1; number <= plcs; ++number) {
    PlcEntry& entry = state_->plcs[number];
    entry.type = kPlcTypeS7;
    const std::string address = "127.0.0." + std::to_string(number);
    std::memcpy(entry.ipAddress, address.c_str(), address.size() + 1);
    entry.readConnection = static_cast<uint16_t>(number);
    entry.linkState = kLinkConnected;
    entry.active = 1;
    entry.watchdogAlive = 1;
    ListedPlc listed;
    listed.number = number;
    listed.type = kPlcTypeS7;
    listed.ipAddress = entry.ipAddress;
    plcs_.push_back(listed);
  }
}

void ScriptedDriver::SetDown(int plc, bool down, bool connect) {
  if (down || connect) state_->plcs[plc].linkState = down ? kLinkFailed : kLinkConnected;
  if (down) {
    down_.insert(plc);
  } else {
    down_.erase(plc);
  }
}

bool ScriptedDriver::DefineTag(Tag& tag) {
  const int plc = tag.text.size() >= 2 ? std::atoi(tag.text.substr(0, 2).c_str()) : 0;
  if (refusedDefinitions.count(tag.name) != 0) {
    tag.refusal = "ZANDOR> Address Parser: refused by the test";
    return false;
  }
  if (plc < 1 || plc >= kPlcCount || state_->plcs[plc].ipAddress[0] == '\0') {
    tag.refusal = "ZANDOR> Address Parser: PLC number out of limit";
    return false;
  }
  if (tag.tagId == 0) tag.tagId = nextTagId_++;
  tag.plc = plc;
  tag.kind = tag.hostType == kHostString ? 'S' : tag.hostType == kHostFloat ? 'F' : 0;
  tag.bit = 255;
  tag.address = 0;
  if (tag.text.size() < 11) return true;
  const char area = tag.text[2];
  const int dataBlock = std::atoi(tag.text.substr(4, 3).c_str());
  const int offset = std::atoi(tag.text.substr(7, 4).c_str());
  if (area == 'T') {
    const int length = tag.text.size() >= 15 ? std::atoi(tag.text.substr(11, 4).c_str()) : 0;
    return ClaimSlot(tag, dataBlock, offset, length);
  }
  if (area == 'D' && tag.text[3] == 'W') {
    // An S7 counts bytes, the other types data words.
    const bool s7 = state_->plcs[plc].type == kPlcTypeS7;
    tag.kind = s7 && offset % 2 != 0 ? zan::kKindWordOddByte : zan::kKindWord;
    tag.address = dataBlock << 16 | (s7 ? offset / 2 : offset);
  }
  return true;
}

bool ScriptedDriver::ClaimSlot(Tag& tag, int dataBlock, int start, int length) {
  CacheBlock* slot = nullptr;
  for (CacheBlock& block : state_->cache) {
    if (block.tagId == tag.tagId) slot = &block;
  }
  for (CacheBlock& block : state_->cache) {
    if (slot == nullptr && block.tagId == kCacheSlotFree) slot = &block;
  }
  if (slot == nullptr) {
    tag.refusal = "ZANDOR> Address Parser: Max. number of cache tags expired";
    return false;
  }
  const SlotUse use{tag.plc, dataBlock, start, length};
  if (slot->tagId != tag.tagId ||
      !(SlotUse{slot->plcNumber, slot->dbNumber, slot->start, slot->length} == use)) {
    slot->valid = kCacheNeverFetched;
  }
  slot->tagId = tag.tagId;
  slot->plcNumber = static_cast<uint16_t>(tag.plc);
  slot->dbNumber = static_cast<uint16_t>(dataBlock);
  slot->start = static_cast<uint16_t>(start);
  slot->length = static_cast<uint16_t>(length);
  tag.kind = zan::kKindCacheBlock;
  tag.address = dataBlock << 16 | start;
  return true;
}

bool ScriptedDriver::Reinit(std::string&) {
  ++inits;
  for (CacheBlock& block : state_->cache) {
    block.tagId = kCacheSlotFree;
    block.valid = kCacheNeverFetched;
  }
  slotValues_.clear();
  for (const ListedPlc& plc : plcs_) {
    PlcEntry& entry = state_->plcs[plc.number];
    entry.linkState = down_.count(plc.number) != 0 ? kLinkFailed : kLinkConnected;
    entry.active = 1;
    entry.watchdogValue = 0;
    entry.watchdogAlive = 1;
  }
  return true;
}

int32_t ScriptedDriver::ReadValues(const Tag& tag, std::vector<TagValue>& read, int32_t* servedBy) {
  read.clear();
  ++reads[tag.name];
  readTimes[tag.name].push_back(now_);
  readOrder.push_back(tag.name);
  if (beforeRead) beforeRead();
  if (servedBy != nullptr) *servedBy = tag.plc;
  // The cache is looked up before the PLC is asked (a block's own tag never is).
  const int slot = tag.kind == zan::kKindCacheBlock ? -1 : CoveringSlot(*state_, tag, tag.plc);
  if (slot < 0 && (refused.count(tag.name) != 0 || down_.count(tag.plc) != 0 ||
                   state_->plcs[tag.plc].linkState == kLinkFailed)) {
    // A block that cannot be read is no longer served.
    for (CacheBlock& block : state_->cache) {
      if (tag.kind == zan::kKindCacheBlock && block.tagId == tag.tagId && block.valid == 1)
        block.valid = 0;
    }
    if (refused.count(tag.name) != 0) return kResultRefused;
    state_->plcs[tag.plc].linkState = kLinkFailed;
    return kResultUnreachable;
  }
  const std::map<std::string, int64_t>* memory = &values;
  if (tag.kind == zan::kKindCacheBlock) {
    for (int block = 0; block < kCacheBlockCount; ++block) {
      if (state_->cache[block].tagId != tag.tagId) continue;
      slotValues_[block] = values;
      state_->cache[block].valid = 1;
      state_->plcs[tag.plc].linkState = kLinkConnected;
      read.push_back(TagValue{});
      return kResultDone;
    }
    return kResultRefused;
  }
  if (slot >= 0) {
    if (state_->cache[slot].valid != 1) {
      // As the driver does: the 1 of "no valid data in cache" becomes the PLC's link state.
      state_->plcs[tag.plc].linkState = kLinkUntriedOrRefused;
      return kResultRefused;
    }
    memory = &slotValues_[slot];
  }
  state_->plcs[tag.plc].linkState = kLinkConnected;
  for (int32_t i = 0; i < tag.count; ++i) {
    TagValue value;
    value.layout = LayoutOfKind(tag.kind);
    const int64_t set = ValueOf(*memory, tag.name, i);
    if (value.layout == CellLayout::kFloat) {
      value.real = static_cast<double>(set);
    } else if (value.layout == CellLayout::kText) {
      value.text = std::to_string(set);
    } else {
      value.integer = set;
    }
    read.push_back(value);
    if (value.layout == CellLayout::kText) break;
  }
  return kResultDone;
}

ReadFailure ScriptedDriver::ExplainRead(const Tag& tag, int32_t, int32_t) {
  ReadFailure failure;
  if (refused.count(tag.name) != 0) {
    failure.words = "address outside data block";
    failure.plcRefused = true;
  } else if (state_->plcs[tag.plc & 0xFF].linkState == kLinkFailed) {
    failure.words = "cannot be reached (link down)";
  }
  return failure;
}

int32_t ScriptedDriver::ReadBuffer(const Tag& tag, ValueBuffer& buffer, int32_t* servedBy) {
  std::vector<TagValue> read;
  const int32_t result = ReadValues(tag, read, servedBy);
  std::string error;
  for (std::size_t i = 0; i < read.size(); ++i)
    EncodeValue(read[i].ToText(), tag.kind, tag.hostType, static_cast<int32_t>(i), false, buffer,
                error);
  return result;
}

int64_t ScriptedDriver::ValueOf(const std::map<std::string, int64_t>& memory,
                                const std::string& name, int32_t index) const {
  const auto found = memory.find(name);
  return found == memory.end() ? 0 : found->second + index;
}

DriverWrite ScriptedDriver::Write(const Tag& tag, ValueBuffer& buffer, bool single) {
  now_ += writeSeconds;
  writes.push_back(tag.name);
  writtenTags.push_back(tag);
  DriverWrite write;
  write.servedBy = tag.plc;
  if (down_.count(tag.plc) != 0 || state_->plcs[tag.plc].linkState == kLinkFailed) {
    write.result = kResultUnreachable;
    write.reason = "PLC " + std::to_string(tag.plc) + " cannot be reached";
    return write;
  }
  const TagValue value = DecodeValue(buffer, tag.kind, tag.hostType, 0, single);
  written[tag.name] = value.integer;
  values[tag.name] = value.integer;
  return write;
}

int32_t ScriptedDriver::WarmStart(int32_t& plc) {
  now_ += warmStartSeconds;
  ++warmStarts;
  return down_.count(plc) != 0 || state_->plcs[plc].linkState == kLinkFailed ? kResultRefused
                                                                             : kResultDone;
}

std::string ScriptedDriver::DescribePlc(int number) const {
  return "PLC " + std::to_string(number);
}

BridgeClock ScriptedClock(double& now, const double& until) {
  BridgeClock clock;
  clock.now = [&now] { return now; };
  clock.sleep = [&now](double seconds) { now += std::max(0.0, seconds); };
  clock.stopRequested = [&now, &until] { return now >= until; };
  return clock;
}

}  // namespace zanhost::testing

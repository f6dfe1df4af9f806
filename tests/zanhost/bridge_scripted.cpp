#include "zanhost/bridge_scripted.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "output/result_words.h"
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

void ScriptedDriver::SetDown(int plc, bool down) {
  state_->plcs[plc].linkState = down ? kLinkFailed : kLinkConnected;
}

bool ScriptedDriver::DefineTag(Tag& tag) {
  const int plc = tag.text.size() >= 2 ? std::atoi(tag.text.substr(0, 2).c_str()) : 0;
  if (plc < 1 || plc >= kPlcCount || state_->plcs[plc].ipAddress[0] == '\0') {
    tag.refusal = "ZANDOR> Address Parser: PLC number out of limit";
    return false;
  }
  tag.tagId = nextTagId_++;
  tag.plc = plc;
  tag.kind = tag.hostType == kHostString ? 'S' : tag.hostType == kHostFloat ? 'F' : 0;
  tag.bit = 255;
  // A data-block word of an S7: data block and byte address / 2.
  if (tag.text.size() == 11 && tag.text.compare(2, 2, "DW") == 0) {
    const int block = std::atoi(tag.text.substr(4, 3).c_str());
    const int byte = std::atoi(tag.text.substr(7, 4).c_str());
    tag.address = (block << 16) | (byte / 2);
  }
  return true;
}

int32_t ScriptedDriver::ReadValues(const Tag& tag, std::vector<TagValue>& read, int32_t* servedBy) {
  read.clear();
  ++reads[tag.name];
  readTimes[tag.name].push_back(now_);
  if (beforeRead) beforeRead();
  if (servedBy != nullptr) *servedBy = tag.plc;
  if (state_->plcs[tag.plc].linkState == kLinkFailed) return kResultUnreachable;
  for (int32_t i = 0; i < tag.count; ++i) {
    TagValue value;
    value.layout = LayoutOfKind(tag.kind);
    const int64_t set = ValueOf(tag.name, i);
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

int64_t ScriptedDriver::ValueOf(const std::string& name, int32_t index) const {
  const auto found = values.find(name);
  return found == values.end() ? 0 : found->second + index;
}

DriverWrite ScriptedDriver::Write(const Tag& tag, ValueBuffer& buffer, bool single) {
  now_ += writeSeconds;
  writes.push_back(tag.name);
  writtenTags.push_back(tag);
  DriverWrite write;
  write.servedBy = tag.plc;
  if (state_->plcs[tag.plc].linkState == kLinkFailed) {
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
  return state_->plcs[plc].linkState == kLinkFailed ? kResultRefused : kResultDone;
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

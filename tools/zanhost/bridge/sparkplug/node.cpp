#include "bridge/sparkplug/node.h"

#include <algorithm>

#include "bridge/sparkplug/host_state.h"
#include "bridge/sparkplug/metrics.h"
#include "bridge/sparkplug/topics.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "output/utf8.h"

namespace zanhost {

namespace {

constexpr int kSequenceSpan = 256;  // seq and bdSeq run from 0 to 255
constexpr int kBirthQos = 0;        // births, data and device deaths
constexpr int kDeathQos = 1;        // NDEATH, as the will and at a stop
constexpr int kCommandQos = 1;
constexpr const char* kRetainedCommand =
    "a retained command is not carried out: the broker kept it from earlier; it is cleared from "
    "the broker, so that it comes only once";

// A metric's name as the bridge's lines show it: names come from the network, and the lines (and
// their JSON) take UTF-8 only.
std::string ShownName(const std::string& name) {
  return IsUtf8(name) ? name : "(a name that is no UTF-8)";
}

SparkplugMetric LongMetric(const std::string& name, uint64_t value, uint64_t timestamp) {
  SparkplugMetric metric;
  metric.name = name;
  metric.timestamp = timestamp;
  metric.datatype = kSparkplugUInt64;
  metric.value = SparkplugMetric::Value::kLong;
  metric.integer = value;
  return metric;
}

// Why a command is too big to take ("" when it is not): `what` is "a DCMD" or "an NCMD".
std::string TooBig(const char* what, std::size_t bytes, std::size_t metrics) {
  if (bytes > kMaxSetPayload) {
    return "the command has " + std::to_string(bytes) + " bytes; " + what + " takes at most " +
           std::to_string(kMaxSetPayload);
  }
  if (metrics > kMaxCommandMetrics) {
    return "the command holds " + std::to_string(metrics) + " metrics; " + what +
           " takes at most " + std::to_string(kMaxCommandMetrics) + ": send them in several";
  }
  return "";
}

// What a birth declares of a metric: "name datatype".
std::string Definition(const std::string& name, uint32_t datatype) {
  return name + " " + std::to_string(datatype);
}

std::set<std::string> Definitions(const std::vector<SparkplugMetric>& metrics) {
  std::set<std::string> definitions;
  for (const SparkplugMetric& metric : metrics)
    definitions.insert(Definition(metric.name, metric.datatype));
  return definitions;
}

}  // namespace

SparkplugNode::SparkplugNode(BridgeContext& context, const SparkplugSettings& settings,
                             std::function<int64_t()> wallMs)
    : context_(context), settings_(settings), wallMs_(std::move(wallMs)) {
  for (const BridgePlc& plc : context.table.plcs())
    devices_[plc.plc.number] = Device{};
}

void SparkplugNode::Event(const std::string& text, const std::string& kind) {
  JsonObject json;
  json.Add("event", "sparkplug")
      .Add("message", kind)
      .Add("bdSeq", static_cast<int64_t>(bdSeq_))
      .Add("text", text);
  context_.console.Event("Sparkplug: " + text, json);
}

SparkplugPayload SparkplugNode::Death() const {
  SparkplugPayload death;
  death.timestamp = static_cast<uint64_t>(wallMs_());
  death.metrics.push_back(LongMetric("bdSeq", bdSeq_, death.timestamp));
  return death;
}

void SparkplugNode::BeforeConnect() {
  // A new connection: whatever was born on the last one is dead.
  Died();
  bdSeq_ = nextBdSeq_;
  nextBdSeq_ = (nextBdSeq_ + 1) % kSequenceSpan;
  std::string error;
  if (!context_.mqtt.SetWill(NodeTopic(settings_.group, "NDEATH", settings_.node),
                             EncodePayload(Death()), kDeathQos, false, error)) {
    Event("NDEATH as the last will refused: " + error, "will");
  }
}

void SparkplugNode::Connected() {
  birthsOut_ = false;
  context_.mqtt.Subscribe(NodeTopic(settings_.group, "NCMD", settings_.node), kCommandQos);
  context_.mqtt.Subscribe(DeviceCommandSubscription(settings_.group, settings_.node), kCommandQos);
  if (!settings_.primaryHost.empty()) {
    // Births wait for the primary host's STATE, which the broker keeps.
    primaryOnline_ = false;
    context_.mqtt.Subscribe(StateTopic(settings_.primaryHost), kCommandQos);
  }
  if (MayBirth()) Births();
}

bool SparkplugNode::MayBirth() const {
  return context_.publisher.connected() && roundDone_ && primaryOnline_;
}

bool SparkplugNode::Stamped(const std::string& topic, SparkplugPayload& payload, int qos) {
  payload.timestamp = static_cast<uint64_t>(wallMs_());
  payload.hasSeq = true;
  payload.seq = seq_;
  seq_ = (seq_ + 1) % kSequenceSpan;
  return context_.publisher.Publish(topic, EncodePayload(payload), qos, false);
}

bool SparkplugNode::Send(const std::string& topic, SparkplugPayload& payload, int qos) {
  if (!birthsOut_) return false;
  return Stamped(topic, payload, qos);
}

void SparkplugNode::Died() {
  birthsOut_ = false;
  ++session_;
  for (auto& [plc, device] : devices_)
    device = Device{};
}

void SparkplugNode::ClearRetained(const std::string& topic) {
  if (!birthsOut_) {
    retainedToClear_.insert(topic);
    return;
  }
  context_.publisher.Publish(topic, "", kCommandQos, true);
}

void SparkplugNode::Births() {
  seq_ = 0;
  SparkplugPayload birth;
  const uint64_t now = static_cast<uint64_t>(wallMs_());
  birth.metrics.push_back(LongMetric("bdSeq", bdSeq_, now));
  SparkplugMetric rebirth;
  rebirth.name = kRebirthMetric;
  rebirth.timestamp = now;
  rebirth.datatype = kSparkplugBoolean;
  rebirth.value = SparkplugMetric::Value::kBoolean;
  birth.metrics.push_back(rebirth);
  birth.metrics.push_back(TextMetric("Properties/Driver", settings_.driverName, now));
  birth.metrics.push_back(TextMetric("Properties/Driver Version", settings_.driverVersion, now));
  if (!Stamped(NodeTopic(settings_.group, "NBIRTH", settings_.node), birth, kBirthQos)) return;
  birthsOut_ = true;
  int born = 0;
  for (auto& [plc, device] : devices_) {
    device = Device{};
    if (!DeviceAlive(plc)) continue;
    DeviceBirth(plc, device);
    ++born;
  }
  Event("NBIRTH of " + settings_.group + "/" + settings_.node + " (bdSeq " +
            std::to_string(bdSeq_) + ") and " + std::to_string(born) + " DBIRTH" +
            (born == 1 ? "" : "s"),
        "NBIRTH");
  // Commands that the broker kept while the node was not born: refused then, cleared now.
  for (const std::string& topic : retainedToClear_)
    context_.publisher.Publish(topic, "", kCommandQos, true);
  retainedToClear_.clear();
}

const BridgePlc* SparkplugNode::PlcRow(int plc) const {
  for (const BridgePlc& row : context_.table.plcs()) {
    if (row.plc.number == plc) return &row;
  }
  return nullptr;
}

bool SparkplugNode::DeviceAlive(int plc) const {
  const BridgePlc* row = PlcRow(plc);
  if (row == nullptr || row->state.empty()) return false;
  if (!row->unreachable) return true;
  // A pair's tags are served while either member can be reached.
  const DriverState* state = context_.driver.state();
  const int backup = state != nullptr ? state->plcs[plc].backupPlc : 0;
  if (backup == 0) return false;
  const BridgePlc* partner = PlcRow(backup);
  return partner != nullptr && !partner->state.empty() && !partner->unreachable;
}

std::vector<SparkplugMetric> SparkplugNode::DeviceMetrics(int plc) const {
  std::vector<SparkplugMetric> metrics;
  for (const BridgeTag& tag : context_.table.tags()) {
    if (DeviceOfTag(tag) != plc || tag.result < 0) continue;
    for (int i = 0; i < MetricCount(tag); ++i)
      metrics.push_back(TagMetric(tag, i, settings_.uint32InLong));
  }
  const BridgePlc* row = PlcRow(plc);
  const uint64_t now = static_cast<uint64_t>(wallMs_());
  metrics.push_back(TextMetric(kStateMetric, row != nullptr ? row->state : "", now));
  metrics.push_back(TextMetric(kAddressMetric, row != nullptr ? row->plc.ipAddress : "", now));
  // Empty until the first command.
  const auto last = lastResults_.find(plc);
  metrics.push_back(last == lastResults_.end()
                        ? TextMetric(kLastResultMetric, "", now)
                        : TextMetric(kLastResultMetric, last->second.text, last->second.time));
  return metrics;
}

void SparkplugNode::DeviceBirth(int plc, Device& device) {
  SparkplugPayload birth;
  birth.metrics = DeviceMetrics(plc);
  if (!Send(DeviceTopic(settings_.group, "DBIRTH", settings_.node, DeviceOfPlc(plc)), birth,
            kBirthQos)) {
    return;
  }
  device.born = true;
  device.published.clear();
  device.definitions = Definitions(birth.metrics);
  for (const SparkplugMetric& metric : birth.metrics)
    device.published[metric.name] = MetricContent(metric);
}

void SparkplugNode::DeviceDeath(int plc, Device& device, const std::string& why) {
  SparkplugPayload death;
  Send(DeviceTopic(settings_.group, "DDEATH", settings_.node, DeviceOfPlc(plc)), death, kBirthQos);
  device = Device{};
  Event("DDEATH of " + DeviceOfPlc(plc) + " (" + why + ")", "DDEATH");
}

void SparkplugNode::DeviceData(int plc, Device& device, std::vector<SparkplugMetric> metrics) {
  if (!birthsOut_ || !device.born || !context_.publisher.connected()) return;
  SparkplugPayload data;
  for (SparkplugMetric& metric : metrics) {
    // A metric that the birth did not declare (a tag of a new tag file) waits for the next DBIRTH.
    if (device.definitions.count(Definition(metric.name, metric.datatype)) == 0) continue;
    const std::string content = MetricContent(metric);
    std::string& published = device.published[metric.name];
    if (published == content) continue;
    published = content;
    // Decoders that read a value by its datatype alone read nothing without it.
    if (settings_.leanData) metric.datatype = 0;
    data.metrics.push_back(std::move(metric));
  }
  if (data.metrics.empty()) return;
  Send(DeviceTopic(settings_.group, "DDATA", settings_.node, DeviceOfPlc(plc)), data, kBirthQos);
}

void SparkplugNode::RoundDone() {
  roundDone_ = true;
  if (!context_.publisher.connected()) return;
  if (!birthsOut_) {
    if (MayBirth()) Births();
    return;
  }
  for (auto& [plc, device] : devices_) {
    const bool alive = DeviceAlive(plc);
    if (device.born && !alive) {
      DeviceDeath(plc, device, "its PLC cannot be reached");
      continue;
    }
    if (!alive) continue;
    if (device.born) {
      // One look at the metrics: their definitions as born, then their values.
      std::vector<SparkplugMetric> metrics = DeviceMetrics(plc);
      if (Definitions(metrics) == device.definitions) {
        DeviceData(plc, device, std::move(metrics));
        continue;
      }
      // New tags are born and removed ones die with the device's metrics as a whole.
      DeviceDeath(plc, device, "its tags changed");
    }
    DeviceBirth(plc, device);
    Event("DBIRTH of " + DeviceOfPlc(plc), "DBIRTH");
  }
}

void SparkplugNode::TagsReloaded(const std::vector<BridgeTag>&) {
  // The next round's end finds the devices whose metrics changed, once the new tags are read.
}

std::string SparkplugNode::Goodbye() {
  SparkplugPayload death = Death();
  context_.publisher.Publish(NodeTopic(settings_.group, "NDEATH", settings_.node),
                             EncodePayload(death), kDeathQos, false);
  Died();
  return "NDEATH published (bdSeq " + std::to_string(bdSeq_) + ")";
}

void SparkplugNode::Received(const MqttMessage& message) {
  if (!settings_.primaryHost.empty() && message.topic == StateTopic(settings_.primaryHost)) {
    OnState(message.payload);
    return;
  }
  bool nodeCommand = false;
  std::string device;
  if (!ParseCommandTopic(settings_.group, settings_.node, message.topic, nodeCommand, device)) {
    return;
  }
  // An empty message clears a retained one; it is no command.
  if (message.payload.empty()) return;
  if (nodeCommand) {
    OnNodeCommand(message);
  } else {
    OnDeviceCommand(message, device);
  }
  // Commands are never kept by the broker: one that arrives retained is refused once, and every
  // command is cleared, since one published retained comes live first (the broker hands it to
  // subscribers without the retain flag) and retained at the next connection.
  ClearRetained(message.topic);
}

void SparkplugNode::OnState(const std::string& payload) {
  HostState state;
  std::string reason;
  if (!ReadHostState(payload, state, reason)) {
    Event("the STATE of " + settings_.primaryHost + " is not understood: " + reason, "STATE");
    return;
  }
  // Stamped by a clock gone wrong: taken, it would make every genuine STATE after it older.
  const auto now = static_cast<uint64_t>(std::max<int64_t>(0, wallMs_()));
  if (state.timestamp > now + kStateAheadMs) {
    Event("the STATE of " + settings_.primaryHost + " (" + (state.online ? "online" : "offline") +
              ") is ignored: it is stamped " + std::to_string((state.timestamp - now) / 1000) +
              " s ahead of this machine's clock, more than the " +
              std::to_string(kStateAheadMs / 1000) +
              " s that the two clocks may differ by (is the host's clock or this one wrong?)",
          "STATE");
    return;
  }
  // A STATE older than the last one taken says nothing new.
  if (state.timestamp < lastStateTime_) return;
  lastStateTime_ = state.timestamp;
  primaryOnline_ = state.online;
  Event("primary host " + settings_.primaryHost + (primaryOnline_ ? " online" : " offline"),
        "STATE");
  if (primaryOnline_) {
    if (!birthsOut_ && MayBirth()) Births();
    return;
  }
  if (!birthsOut_) return;
  // Away from a broker that the primary host no longer watches: death, then a new connection.
  Goodbye();
  context_.dropConnection("the primary host " + settings_.primaryHost + " went offline");
}

void SparkplugNode::OnNodeCommand(const MqttMessage& message) {
  const std::string label = "NCMD";
  SparkplugPayload command;
  std::string error = TooBig("an NCMD", message.payload.size(), 0);
  if (error.empty() && DecodePayload(message.payload, command, error)) {
    error = TooBig("an NCMD", 0, command.metrics.size());
  }
  if (!error.empty()) {
    RefuseSet(context_, label, kRebirthMetric, "null", error);
    return;
  }
  bool rebirth = false;
  for (const SparkplugMetric& metric : command.metrics) {
    const std::string name = ShownName(metric.name);
    const std::string sent = SentValueJson(metric, kSparkplugBoolean);
    std::string value;
    std::string reason;
    if (message.retained) {
      RefuseSet(context_, label + " " + name, name, sent, kRetainedCommand);
    } else if (metric.name != kRebirthMetric) {
      RefuseSet(context_, label + " " + name, name, sent,
                "the node takes " + std::string(kRebirthMetric) + " only");
    } else if (!CommandValueJson(metric, kSparkplugBoolean, value, reason)) {
      RefuseSet(context_, label + " " + name, name, sent, reason);
    } else {
      rebirth = rebirth || metric.boolean;
    }
  }
  if (!rebirth) return;
  if (!birthsOut_) {
    Event("rebirth asked for by NCMD: the births are not out yet", "NCMD");
    return;
  }
  Event("rebirth asked for by NCMD", "NCMD");
  Births();
}

void SparkplugNode::OnDeviceCommand(const MqttMessage& message, const std::string& device) {
  const std::string label = "DCMD " + device;
  const int plc = PlcOfDevice(device);
  if (devices_.count(plc) == 0) {
    RefuseSet(context_, label, device, "null", "the node has no device " + device);
    return;
  }
  // Refused as a whole: one line, and one Commands/Last Result without a metric name.
  const auto refuseWhole = [&](const std::string& reason) {
    CommandDone(plc, "", RefuseSet(context_, label, device, "null", reason));
  };
  SparkplugPayload command;
  std::string error = TooBig("a DCMD", message.payload.size(), 0);
  if (error.empty() && DecodePayload(message.payload, command, error)) {
    error = TooBig("a DCMD", 0, command.metrics.size());
  }
  if (!error.empty()) {
    refuseWhole(error);
    return;
  }
  if (message.retained) {
    RefuseCommand(plc, command, kRetainedCommand);
    return;
  }
  if (!birthsOut_) {
    RefuseCommand(
        plc, command,
        "the node is not born on this connection yet (it waits for " +
            (primaryOnline_ ? std::string("the first round's values")
                            : "the primary host " + settings_.primaryHost + " to say online") +
            "): it writes nothing before its NBIRTH");
    return;
  }
  std::string full;
  if (!context_.writes.HasRoom(command.metrics.size(), full)) {
    refuseWhole(full);
    return;
  }
  // Each metric waits its turn: a command of many metrics holds no round up.
  for (const SparkplugMetric& metric : command.metrics) {
    context_.writes.Add([this, session = session_, plc, metric](const std::string& refusal) {
      RunCommandMetric(session, plc, metric, refusal);
    });
  }
}

BridgeTag* SparkplugNode::TagOfMetric(int plc, const std::string& name, int& index) {
  for (BridgeTag& tag : context_.table.tags()) {
    if (DeviceOfTag(tag) != plc) continue;
    for (int i = 0; i < MetricCount(tag); ++i) {
      if (MetricName(tag, i) == name) {
        index = i;
        return &tag;
      }
    }
  }
  return nullptr;
}

void SparkplugNode::RefuseCommand(int plc, const SparkplugPayload& command,
                                  const std::string& reason) {
  for (const SparkplugMetric& metric : command.metrics)
    RunCommandMetric(session_, plc, metric, reason);
}

void SparkplugNode::RunCommandMetric(uint64_t session, int plc, const SparkplugMetric& metric,
                                     const std::string& refusal) {
  std::string reason = refusal;
  if (reason.empty() && (session != session_ || !birthsOut_ || !context_.publisher.connected())) {
    reason =
        "the node died (NDEATH, or its connection was lost) before the write's turn came: it "
        "writes nothing until its next NBIRTH";
  }
  if (reason.empty()) {
    CommandDone(plc, metric.name, DeviceCommandMetric(plc, metric));
    return;
  }
  int index = 0;
  const BridgeTag* tag = TagOfMetric(plc, metric.name, index);
  const std::string name = ShownName(metric.name);
  CommandDone(
      plc, metric.name,
      RefuseSet(context_, "DCMD " + DeviceOfPlc(plc) + " " + name,
                tag != nullptr ? tag->declared.name : name,
                SentValueJson(metric, tag != nullptr ? DatatypeOfTag(tag->tag) : 0), reason));
}

void SparkplugNode::CommandDone(int plc, const std::string& metric, const SetOutcome& outcome) {
  LastResult& last = lastResults_[plc];
  last.text = LastResultText(ShownName(metric), outcome.valueJson, outcome.result, outcome.reason);
  last.time = static_cast<uint64_t>(wallMs_());
  // The value written, read back, and the result go out at once; the result even when it says
  // what it said before, for a command of its own. A node that is not born keeps it for its next
  // DBIRTH.
  Device& device = devices_[plc];
  device.published.erase(kLastResultMetric);
  DeviceData(plc, device, DeviceMetrics(plc));
}

SetOutcome SparkplugNode::DeviceCommandMetric(int plc, const SparkplugMetric& metric) {
  const std::string name = ShownName(metric.name);
  const std::string label = "DCMD " + DeviceOfPlc(plc) + " " + name;
  if (metric.name.empty()) {
    return RefuseSet(
        context_, label, "", SentValueJson(metric, 0),
        "the metric has no name (this node declares no aliases: it names every metric)");
  }
  if (metric.name == kStateMetric || metric.name == kAddressMetric ||
      metric.name == kLastResultMetric) {
    return RefuseSet(context_, label, name, SentValueJson(metric, kSparkplugString),
                     name + " tells of the device; it takes no writes");
  }
  // The tag of the metric: its name, or a run's name and the element's index.
  int index = 0;
  BridgeTag* tag = TagOfMetric(plc, metric.name, index);
  if (tag == nullptr) {
    return RefuseSet(context_, label, name, SentValueJson(metric, 0),
                     "device " + DeviceOfPlc(plc) + " has no metric \"" + name + "\" to write");
  }
  const uint32_t born = DatatypeOfTag(tag->tag);
  // Only what the device's birth declared: a host knows no other metric, nor another datatype.
  const Device& device = devices_[plc];
  if (!device.born) {
    return RefuseSet(context_, label, tag->declared.name, SentValueJson(metric, born),
                     "device " + DeviceOfPlc(plc) +
                         " is not born (its PLC cannot be reached, or its DBIRTH is still to "
                         "come): it takes commands once its DBIRTH is out");
  }
  if (device.definitions.count(Definition(metric.name, born)) == 0) {
    return RefuseSet(context_, label, tag->declared.name, SentValueJson(metric, born),
                     "the metric " + name + " (" + DatatypeName(born) + ") is not in device " +
                         DeviceOfPlc(plc) +
                         "'s DBIRTH: the tag file changed since; it takes commands after the "
                         "device's next DBIRTH, which follows the next round");
  }
  std::string value;
  std::string reason;
  if (!CommandValueJson(metric, born, value, reason, settings_.uint32InLong)) {
    return RefuseSet(context_, label, tag->declared.name, SentValueJson(metric, born), reason);
  }
  // An element of a run is written alone, at its own place: the run's other values, which the
  // command did not send, are neither read nor written.
  return CarryOutSet(context_, label, tag->declared.name, value, false,
                     MetricCount(*tag) > 1 ? index : kWholeTag);
}

}  // namespace zanhost

#include "bridge/sparkplug/node.h"

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

// What a birth declares of the metrics: "name datatype" of each.
std::set<std::string> Definitions(const std::vector<SparkplugMetric>& metrics) {
  std::set<std::string> definitions;
  for (const SparkplugMetric& metric : metrics)
    definitions.insert(metric.name + " " + std::to_string(metric.datatype));
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

bool SparkplugNode::Send(const std::string& topic, SparkplugPayload& payload, int qos) {
  payload.timestamp = static_cast<uint64_t>(wallMs_());
  payload.hasSeq = true;
  payload.seq = seq_;
  seq_ = (seq_ + 1) % kSequenceSpan;
  return context_.publisher.Publish(topic, EncodePayload(payload), qos, false);
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
  birth.metrics.push_back(TextMetric("Properties/Driver", settings_.driverName, now, true));
  birth.metrics.push_back(
      TextMetric("Properties/Driver Version", settings_.driverVersion, now, true));
  if (!Send(NodeTopic(settings_.group, "NBIRTH", settings_.node), birth, kBirthQos)) return;
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

std::vector<SparkplugMetric> SparkplugNode::DeviceMetrics(int plc, bool birth) const {
  std::vector<SparkplugMetric> metrics;
  for (const BridgeTag& tag : context_.table.tags()) {
    if (DeviceOfTag(tag) != plc || tag.result < 0) continue;
    for (int i = 0; i < MetricCount(tag); ++i)
      metrics.push_back(TagMetric(tag, i, birth));
  }
  const BridgePlc* row = PlcRow(plc);
  const uint64_t now = static_cast<uint64_t>(wallMs_());
  metrics.push_back(TextMetric(kStateMetric, row != nullptr ? row->state : "", now, birth));
  metrics.push_back(
      TextMetric(kAddressMetric, row != nullptr ? row->plc.ipAddress : "", now, birth));
  return metrics;
}

void SparkplugNode::DeviceBirth(int plc, Device& device) {
  SparkplugPayload birth;
  birth.metrics = DeviceMetrics(plc, true);
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
  SparkplugPayload data;
  for (SparkplugMetric& metric : metrics) {
    const std::string content = MetricContent(metric);
    std::string& published = device.published[metric.name];
    if (published == content) continue;
    published = content;
    metric.datatype = 0;  // the birth declared it
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
      std::vector<SparkplugMetric> metrics = DeviceMetrics(plc, true);
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
  birthsOut_ = false;
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
  // Commands are never kept by the broker; one that was is refused once and cleared.
  if (message.retained) context_.publisher.Publish(message.topic, "", kCommandQos, true);
}

void SparkplugNode::OnState(const std::string& payload) {
  HostState state;
  std::string reason;
  if (!ReadHostState(payload, state, reason)) {
    Event("the STATE of " + settings_.primaryHost + " is not understood: " + reason, "STATE");
    return;
  }
  // A STATE older than the last one seen says nothing new.
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
  std::string error;
  if (!DecodePayload(message.payload, command, error)) {
    RefuseSet(context_, label, kRebirthMetric, "null", error);
    return;
  }
  bool rebirth = false;
  for (const SparkplugMetric& metric : command.metrics) {
    const std::string name = ShownName(metric.name);
    std::string value;
    std::string reason;
    if (message.retained) {
      RefuseSet(context_, label + " " + name, name, "null",
                "a retained command is not carried out: the broker kept it from earlier; it is "
                "cleared from the broker, so that it comes only once");
    } else if (metric.name != kRebirthMetric) {
      RefuseSet(context_, label + " " + name, name, "null",
                "the node takes " + std::string(kRebirthMetric) + " only");
    } else if (!CommandValueJson(metric, kSparkplugBoolean, value, reason)) {
      RefuseSet(context_, label + " " + name, name, "null", reason);
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
  SparkplugPayload command;
  std::string error;
  if (devices_.count(plc) == 0) {
    RefuseSet(context_, label, device, "null", "the node has no device " + device);
    return;
  }
  if (!DecodePayload(message.payload, command, error)) {
    RefuseSet(context_, label, device, "null", error);
    return;
  }
  for (const SparkplugMetric& metric : command.metrics) {
    if (message.retained) {
      CarryOutSet(context_, label + " " + ShownName(metric.name), ShownName(metric.name), "null",
                  true);
      continue;
    }
    DeviceCommandMetric(plc, metric);
    // A command of many metrics must not starve the link.
    if (context_.serve) context_.serve();
  }
  // The values written, read back, go out at once.
  Device& born = devices_[plc];
  if (born.born && context_.publisher.connected()) DeviceData(plc, born, DeviceMetrics(plc, false));
}

void SparkplugNode::DeviceCommandMetric(int plc, const SparkplugMetric& metric) {
  const std::string name = ShownName(metric.name);
  const std::string label = "DCMD " + DeviceOfPlc(plc) + " " + name;
  if (metric.name.empty()) {
    RefuseSet(context_, label, "", "null",
              "the metric has no name (this node declares no aliases: it names every metric)");
    return;
  }
  if (metric.name == kStateMetric || metric.name == kAddressMetric) {
    RefuseSet(context_, label, name, "null", name + " tells of the PLC; it takes no writes");
    return;
  }
  // The tag of the metric: its name, or a run's name and the element's index.
  BridgeTag* tag = nullptr;
  int index = 0;
  for (BridgeTag& candidate : context_.table.tags()) {
    if (DeviceOfTag(candidate) != plc) continue;
    for (int i = 0; i < MetricCount(candidate) && tag == nullptr; ++i) {
      if (MetricName(candidate, i) == metric.name) {
        tag = &candidate;
        index = i;
      }
    }
  }
  if (tag == nullptr) {
    RefuseSet(context_, label, name, "null",
              "device " + DeviceOfPlc(plc) + " has no metric \"" + name + "\" to write");
    return;
  }
  std::string value;
  std::string reason;
  if (!CommandValueJson(metric, DatatypeOfTag(tag->tag), value, reason)) {
    RefuseSet(context_, label, tag->declared.name, "null", reason);
    return;
  }
  std::string payload = value;
  // An element of a run: the run is written whole, its other values as read just now. A tag that
  // takes no writes is refused by the write's checks without that read.
  if (MetricCount(*tag) > 1 && tag->declared.writable) {
    context_.table.Read(*tag);
    context_.console.DriverLog(context_.driver.TakeLog());
    if (tag->result != kResultDone || static_cast<int>(tag->values.size()) != MetricCount(*tag)) {
      RefuseSet(context_, label, tag->declared.name, value,
                "the run's other values could not be read (" + ResultWord(tag->result) + ")");
      return;
    }
    payload = "[";
    for (int i = 0; i < MetricCount(*tag); ++i) {
      if (i > 0) payload += ",";
      payload += i == index ? value : tag->values[static_cast<std::size_t>(i)].ToJson();
    }
    payload += "]";
    // The read and the write are two steps: the link moves between them.
    if (context_.serve) context_.serve();
  }
  CarryOutSet(context_, label, tag->declared.name, payload, false);
}

}  // namespace zanhost

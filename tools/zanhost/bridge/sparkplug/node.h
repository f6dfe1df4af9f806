// The bridge as a Sparkplug B edge node (Sparkplug 3.0): the node `node` of group `group`, each
// configured PLC a device (sparkplug/metrics.h). docs/sparkplug.md tells what a consumer sees.
//
//   - Every connection has a bdSeq one higher than the one before (0 to 255, then 0 again); its
//     last will is NDEATH with that bdSeq (QoS 1). After connecting the node subscribes to its NCMD
//     and DCMD topics, then publishes NBIRTH (seq 0, bdSeq, Node Control/Rebirth, the driver's name
//     and version) and a DBIRTH for each device whose tags can be served, once a round has read
//     them. Every later message carries seq one higher, 0 to 255 and round again.
//   - After each round: DDATA with the metrics that changed (each with the time of its read), a
//     DDEATH for a device whose PLC (or both PLCs of its pair) can no longer be reached, a DBIRTH
//     when it can again, and a DDEATH and a new DBIRTH for a device whose metrics changed with a
//     new tag file.
//   - DCMD writes the metrics of rw tags through the bridge's writes (face.h), with the same checks
//     as every write; an element of a run is written with the run's other values as read just
//     before. NCMD with Node Control/Rebirth true publishes NBIRTH and every DBIRTH again.
//   - With a primary host, births wait for its STATE to say online; when it says offline the node
//     publishes NDEATH, disconnects and connects again with the next bdSeq.
//   - A clean stop publishes NDEATH.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bridge/face.h"
#include "bridge/sparkplug/payload.h"

namespace zanhost {

struct SparkplugSettings {
  std::string group;
  std::string node;
  std::string primaryHost;  // "" for none
  std::string driverName;
  std::string driverVersion;
};

constexpr const char* kRebirthMetric = "Node Control/Rebirth";

class SparkplugNode : public BridgeFace {
 public:
  // `wallMs`: milliseconds since 1970, UTC, for the payloads' timestamps.
  SparkplugNode(BridgeContext& context, const SparkplugSettings& settings,
                std::function<int64_t()> wallMs);

  void BeforeConnect() override;
  void Connected() override;
  void RoundDone() override;
  void Received(const MqttMessage& message) override;
  void TagsReloaded(const std::vector<BridgeTag>& removed) override;
  std::string Goodbye() override;

 private:
  struct Device {
    bool born = false;
    std::map<std::string, std::string> published;  // metric name to MetricContent
    std::set<std::string> definitions;             // "name datatype" of the metrics born
  };

  bool MayBirth() const;
  void Births();
  void DeviceBirth(int plc, Device& device);
  void DeviceDeath(int plc, Device& device, const std::string& why);
  // DDATA of the metrics whose content changed since published (their datatypes left out).
  void DeviceData(int plc, Device& device, std::vector<SparkplugMetric> metrics);
  std::vector<SparkplugMetric> DeviceMetrics(int plc, bool birth) const;
  bool DeviceAlive(int plc) const;
  const BridgePlc* PlcRow(int plc) const;
  bool Send(const std::string& topic, SparkplugPayload& payload, int qos);
  SparkplugPayload Death() const;
  void OnState(const std::string& payload);
  void OnNodeCommand(const MqttMessage& message);
  void OnDeviceCommand(const MqttMessage& message, const std::string& device);
  void DeviceCommandMetric(int plc, const SparkplugMetric& metric);
  void Event(const std::string& text, const std::string& kind);

  BridgeContext& context_;
  SparkplugSettings settings_;
  std::function<int64_t()> wallMs_;
  uint64_t bdSeq_ = 0;      // of the current connection
  uint64_t nextBdSeq_ = 0;  // of the next
  uint64_t seq_ = 0;        // of the next message after NBIRTH
  bool birthsOut_ = false;  // NBIRTH published on this connection
  bool primaryOnline_ = true;
  uint64_t lastStateTime_ = 0;
  bool roundDone_ = false;
  std::map<int, Device> devices_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_

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
//     new tag file. Every metric carries its datatype; `leanData` leaves it out of DDATA.
//   - DCMD writes the metrics of rw tags through the bridge's writes (face.h), with the same checks
//     as every write, each metric in its turn in the loop's queue (bridge/write_queue.h); an
//     element of a run is written alone, at its own place. Only a metric that the device's DBIRTH
//     declared (name and datatype) is written: a tag that a new tag file brought waits for the
//     device's next DBIRTH, and DDATA never carries a metric that was not born. A DCMD takes at
//     most kMaxCommandMetrics metrics and kMaxSetPayload bytes. After each metric the device's
//     DDATA carries the value read back and Commands/Last Result. NCMD with Node Control/Rebirth
//     true publishes NBIRTH and every DBIRTH again.
//   - Between a death (NDEATH, or a connection lost) and the next NBIRTH the node publishes nothing
//     but its births and writes nothing: a command is refused in words (its Commands/Last Result
//     goes out with the next DBIRTH), and a write that waited from before is refused at its turn.
//   - Every command taken is cleared from the broker (an empty retained message on its topic), at
//     once or, while the node is not born, after its births: one published retained is handed to
//     the node live (without the retain flag) and would come again, retained, at the next
//     connection, to be refused then. A command that arrives retained is refused.
//   - With a primary host, births wait for its STATE to say online; when it says offline the node
//     publishes NDEATH, disconnects and connects again with the next bdSeq. A STATE older than the
//     last one taken, or stamped more than kStateAheadMs ahead of this machine's clock, is ignored.
//   - A clean stop publishes NDEATH.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_

#include <cstddef>
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
  bool leanData = false;  // DDATA without the metrics' datatypes (the births declare them)
  // UInt32 values in long_value, for decoders that read them there (sparkplug/metrics.h).
  bool uint32InLong = false;
};

constexpr const char* kRebirthMetric = "Node Control/Rebirth";
// The most metrics that one DCMD may carry: each is a write of its own and its read back.
constexpr std::size_t kMaxCommandMetrics = 100;
// How far ahead of this machine's clock a primary host's STATE may be stamped: 5 minutes. A STATE
// stamped later is taken for a clock gone wrong; taken, it would make every genuine STATE after it
// look older, and the node would never be born again.
constexpr uint64_t kStateAheadMs = 5 * 60 * 1000;

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

  // The outcome of the last command metric to a device, for Commands/Last Result.
  struct LastResult {
    std::string text;
    uint64_t time = 0;
  };

  bool MayBirth() const;
  void Births();
  void DeviceBirth(int plc, Device& device);
  void DeviceDeath(int plc, Device& device, const std::string& why);
  // DDATA of the metrics whose content changed since published; nothing while the node is not born.
  void DeviceData(int plc, Device& device, std::vector<SparkplugMetric> metrics);
  std::vector<SparkplugMetric> DeviceMetrics(int plc) const;
  bool DeviceAlive(int plc) const;
  const BridgePlc* PlcRow(int plc) const;
  // Stamps the payload with the time and the next seq and publishes it.
  bool Stamped(const std::string& topic, SparkplugPayload& payload, int qos);
  // Every message after NBIRTH: refused while the node is not born on this connection.
  bool Send(const std::string& topic, SparkplugPayload& payload, int qos);
  SparkplugPayload Death() const;
  // The end of the births of this connection: the node writes and publishes nothing more until
  // its next NBIRTH.
  void Died();
  // Clears a command from the broker's store, now or, while the node is not born, after its births.
  void ClearRetained(const std::string& topic);
  void OnState(const std::string& payload);
  void OnNodeCommand(const MqttMessage& message);
  void OnDeviceCommand(const MqttMessage& message, const std::string& device);
  // The tag of the device's metric `name` and the value number of the metric, or nullptr.
  BridgeTag* TagOfMetric(int plc, const std::string& name, int& index);
  // A metric of a DCMD at its turn in the write queue: refused for `refusal`, or for a session
  // that ended since it was taken, else carried out.
  void RunCommandMetric(uint64_t session, int plc, const SparkplugMetric& metric,
                        const std::string& refusal);
  SetOutcome DeviceCommandMetric(int plc, const SparkplugMetric& metric);
  // Each metric of a command refused for the same reason.
  void RefuseCommand(int plc, const SparkplugPayload& command, const std::string& reason);
  // Keeps the outcome for Commands/Last Result and publishes it with the device's DDATA.
  void CommandDone(int plc, const std::string& metric, const SetOutcome& outcome);
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
  // One more at each connection attempt and each death: a write taken in one session is never
  // carried out in another.
  uint64_t session_ = 0;
  std::set<std::string> retainedToClear_;  // command topics, cleared after the next births
  std::map<int, Device> devices_;
  std::map<int, LastResult> lastResults_;  // by PLC, across births
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_NODE_H_

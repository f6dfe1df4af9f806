// The bridge's JSON face: every tag and PLC on topics of our own under a prefix, as
// bridge/messages.h lays them out, retained; "online" at each connection and "offline" as the last
// will and at a clean stop; writes taken from <prefix>/tags/<name>/set and answered on .../result.
// A tag is published when its value, result or serving PLC changed, and at least every `refresh`
// seconds. A set that the broker kept (retained) is refused and cleared from the broker with an
// empty retained message, so that it is refused once and not at every connection; an empty set is
// such a clearing and is no write.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_

#include <functional>
#include <string>
#include <vector>

#include "bridge/face.h"

namespace zanhost {

struct JsonFaceSettings {
  std::string prefix;  // of every topic
  int qos = 1;
  double refresh = 60;  // seconds
};

class JsonFace : public BridgeFace {
 public:
  // `now`: seconds on a monotonic clock, for the refresh.
  JsonFace(BridgeContext& context, const JsonFaceSettings& settings, std::function<double()> now);

  void Connected() override;
  void RoundDone() override;
  void Received(const MqttMessage& message) override;
  void TagsReloaded(const std::vector<BridgeTag>& removed) override;
  std::string Goodbye() override;

 private:
  void OnSet(const MqttMessage& message, const std::string& name);
  void PublishTag(BridgeTag& tag, bool force);
  void PublishPlc(BridgePlc& plc, bool force);

  BridgeContext& context_;
  JsonFaceSettings settings_;
  std::function<double()> now_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_

// The bridge's JSON face: every tag and PLC on topics of our own under a prefix, as
// bridge/messages.h lays them out, retained; "online" at each connection and "offline" as the last
// will and at a clean stop; writes taken from <prefix>/tags/<name>/set (one value of a run from
// <prefix>/tags/<name>/<i>/set) and answered on .../result. Writes wait their turn in the loop's
// queue (bridge/write_queue.h); one that cannot be carried out whatever its turn (a payload over
// kMaxSetPayload, a level <i> that is no value number) or finds the queue full is refused at once
// and nothing of it is kept. A tag is published when its value, result or serving PLC changed,
// and at least every `refresh` seconds. Every set taken is cleared from the broker with an empty
// retained message, in case it was published retained: a set that the broker kept from earlier is
// refused (it is handed over at every connection), and one handed over live would otherwise be
// refused at the next. An empty set is such a clearing and is no write.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_

#include <functional>
#include <string>
#include <vector>

#include "bridge/face.h"
#include "bridge/messages.h"

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
  // Carries out the set of the tag (or of its value) that `set` names, or refuses it for
  // `refusal` when that is not "", and answers on the result topic.
  void OnSet(const MqttMessage& message, const SetTopic& set, const std::string& refusal);
  void PublishTag(BridgeTag& tag, bool force);
  void PublishPlc(BridgePlc& plc, bool force);

  BridgeContext& context_;
  JsonFaceSettings settings_;
  std::function<double()> now_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_JSON_FACE_H_

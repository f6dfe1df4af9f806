#include "bridge/json_face.h"

#include "bridge/messages.h"
#include "bridge/set_payload.h"
#include "output/result_words.h"

namespace zanhost {

JsonFace::JsonFace(BridgeContext& context, const JsonFaceSettings& settings,
                   std::function<double()> now)
    : context_(context), settings_(settings), now_(std::move(now)) {}

void JsonFace::Connected() {
  context_.mqtt.Subscribe(SetSubscription(settings_.prefix), settings_.qos);
  context_.mqtt.Subscribe(ElementSetSubscription(settings_.prefix), settings_.qos);
  context_.publisher.Publish(StatusTopic(settings_.prefix), kOnline, settings_.qos, true);
  for (BridgePlc& plc : context_.table.plcs())
    PublishPlc(plc, true);
  for (BridgeTag& tag : context_.table.tags())
    PublishTag(tag, true);
}

void JsonFace::RoundDone() {
  for (BridgePlc& plc : context_.table.plcs())
    PublishPlc(plc, false);
  for (BridgeTag& tag : context_.table.tags())
    PublishTag(tag, false);
}

void JsonFace::Received(const MqttMessage& message) {
  SetTopic set;
  if (!ReadSetTopic(settings_.prefix, message.topic, set)) return;
  // An empty message clears a retained one (ours, or a client's); it asks for no write.
  if (message.payload.empty()) return;
  // Taken: a copy that the broker keeps (a set published retained, handed over live now or kept
  // from earlier) would come again at the next connection, to be refused then. It goes now.
  context_.publisher.Publish(message.topic, "", settings_.qos, true);
  std::string refusal = set.refusal;
  if (refusal.empty()) SetPayloadFits(message.payload.size(), refusal);
  if (message.retained && refusal.empty()) {
    // Refused by the write's checks at once, without a turn in the queue: it reaches no PLC.
    OnSet(message, set, "");
  } else if (refusal.empty() && context_.writes.HasRoom(1, refusal)) {
    // What waits is bounded: at most kMaxWaiting sets of at most kMaxSetPayload bytes each.
    context_.writes.Add(
        [this, message, set](const std::string& turn) { OnSet(message, set, turn); });
  } else {
    // No value number, too big or no room: refused at once, and nothing of it kept.
    OnSet(message, set, refusal);
  }
}

void JsonFace::OnSet(const MqttMessage& message, const SetTopic& set, const std::string& refusal) {
  const std::string label = "set " + set.name + (set.level.empty() ? "" : "/" + set.level);
  const SetOutcome outcome =
      refusal.empty()
          ? CarryOutSet(context_, label, set.name, message.payload, message.retained, set.element)
          : RefuseSet(context_, label, set.name, PayloadEcho(message.payload), refusal);
  context_.publisher.Publish(ResultTopicOfSet(message.topic),
                             ResultMessage(outcome.result, outcome.valueJson, outcome.reason),
                             settings_.qos, false);
  BridgeTag* tag = context_.table.Find(set.name);
  if (tag != nullptr && outcome.written && outcome.result == kResultDone) PublishTag(*tag, true);
}

void JsonFace::TagsReloaded(const std::vector<BridgeTag>& removed) {
  // A tag that went away leaves no value behind in the broker's store.
  for (const BridgeTag& tag : removed)
    context_.publisher.Publish(TagTopic(settings_.prefix, tag.declared.name), "", settings_.qos,
                               true);
}

std::string JsonFace::Goodbye() {
  context_.publisher.Publish(StatusTopic(settings_.prefix), kOffline, settings_.qos, true);
  return "offline published";
}

void JsonFace::PublishTag(BridgeTag& tag, bool force) {
  if (!context_.publisher.connected() || tag.result < 0) return;
  const int plc = BridgeTable::PlcOf(tag);
  const std::string content = tag.valueJson + " " + std::to_string(tag.result) + " " + tag.outcome +
                              " " + std::to_string(plc);
  const double now = now_();
  if (!force && content == tag.published && now - tag.publishedAt < settings_.refresh) return;
  if (context_.publisher.Publish(TagTopic(settings_.prefix, tag.declared.name),
                                 TagMessage(tag.valueJson, tag.result, plc, tag.time, tag.outcome),
                                 settings_.qos, true)) {
    tag.published = content;
    tag.publishedAt = now;
  }
}

void JsonFace::PublishPlc(BridgePlc& plc, bool force) {
  if (!context_.publisher.connected() || plc.state.empty()) return;
  if (!force && plc.state == plc.published) return;
  if (context_.publisher.Publish(PlcTopic(settings_.prefix, plc.plc.number),
                                 PlcMessage(plc.state, plc.plc.ipAddress), settings_.qos, true)) {
    plc.published = plc.state;
  }
}

}  // namespace zanhost

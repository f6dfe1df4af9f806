#include "bridge/json_face.h"

#include "bridge/messages.h"
#include "output/result_words.h"

namespace zanhost {

JsonFace::JsonFace(BridgeContext& context, const JsonFaceSettings& settings,
                   std::function<double()> now)
    : context_(context), settings_(settings), now_(std::move(now)) {}

void JsonFace::Connected() {
  context_.mqtt.Subscribe(SetSubscription(settings_.prefix), settings_.qos);
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
  std::string name;
  if (!TagOfSetTopic(settings_.prefix, message.topic, name)) return;
  // An empty message clears a retained one (ours, or a client's); it asks for no write.
  if (message.payload.empty()) return;
  OnSet(message, name);
}

void JsonFace::OnSet(const MqttMessage& message, const std::string& name) {
  const SetOutcome outcome =
      CarryOutSet(context_, "set " + name, name, message.payload, message.retained);
  context_.publisher.Publish(ResultTopic(settings_.prefix, name),
                             ResultMessage(outcome.result, outcome.valueJson, outcome.reason),
                             settings_.qos, false);
  // Refused once: the broker would hand it over again at every connection.
  if (message.retained) context_.publisher.Publish(message.topic, "", settings_.qos, true);
  BridgeTag* tag = context_.table.Find(name);
  if (tag != nullptr && outcome.written) PublishTag(*tag, true);
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

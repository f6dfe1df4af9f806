#include "bridge/face.h"

#include "output/json_writer.h"
#include "output/result_words.h"

namespace zanhost {

bool Publisher::Publish(const std::string& topic, const std::string& payload, int qos,
                        bool retain) {
  if (!connected()) return false;
  std::string error;
  if (mqtt_.Publish(topic, payload, qos, retain, error)) {
    failing_.erase(topic);
    return true;
  }
  // Lost just now: the link reports that itself.
  if (!connected()) return false;
  ++status_.failedPublishes;
  if (!failing_.insert(topic).second) return false;
  JsonObject json;
  json.Add("event", "publish").Add("topic", topic).Add("reason", error);
  console_.Event("publish on " + topic + " failed: " + error, json);
  return false;
}

namespace {

void ShowSet(BridgeContext& context, const std::string& label, const std::string& name,
             const SetOutcome& outcome) {
  if (outcome.result == kResultDone) {
    ++context.status.writes;
  } else if (outcome.result == kResultRefused) {
    ++context.status.refusedWrites;
  } else {
    ++context.status.failedWrites;
  }
  std::string text = label + " <- " + outcome.valueJson + ": " + ResultWord(outcome.result);
  if (!outcome.reason.empty()) text += " (" + outcome.reason + ")";
  JsonObject json;
  json.Add("event", "set")
      .Add("tag", name)
      .Add("result", ResultWord(outcome.result))
      .AddRaw("value", outcome.valueJson)
      .Add("reason", outcome.reason);
  context.console.Event(text, json);
}

}  // namespace

SetOutcome RefuseSet(BridgeContext& context, const std::string& label, const std::string& name,
                     const std::string& valueJson, const std::string& reason) {
  SetOutcome outcome;
  outcome.result = kResultRefused;
  outcome.valueJson = valueJson;
  outcome.reason = reason;
  ShowSet(context, label, name, outcome);
  return outcome;
}

SetOutcome CarryOutSet(BridgeContext& context, const std::string& label, const std::string& name,
                       const std::string& payload, bool retained, int element) {
  SetOutcome outcome = context.table.Set(name, payload, retained, element);
  context.console.DriverLog(outcome.log);
  ShowSet(context, label, name, outcome);
  // Read back only what was written: after a write that failed (a PLC that answers late, one that
  // cannot be reached) a read would only cost the PLC's time-out once more, for each write queued.
  BridgeTag* tag = context.table.Find(name);
  if (tag != nullptr && outcome.written && outcome.result == kResultDone) {
    if (context.serve) context.serve();
    context.table.Read(*tag);
    context.console.DriverLog(context.driver.TakeLog());
  }
  return outcome;
}

}  // namespace zanhost

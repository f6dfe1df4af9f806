#include "plan/plan_view.h"

#include <map>

#include "core/driver_state.h"
#include "output/json_writer.h"
#include "plan/request_cost.h"

namespace zanhost {
namespace {

std::string Counted(int count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Padded(const std::string& text, std::size_t width) {
  return text.size() >= width ? text + " " : text + std::string(width - text.size(), ' ');
}

const PlanPlc* FindPlanPlc(const ReadPlan& plan, int number) {
  for (const PlanPlc& plc : plan.plcs) {
    if (plc.number == number) return &plc;
  }
  return nullptr;
}

// "PDU 240 (222 bytes an answer)", "2048 bytes an answer".
std::string AnswerWords(const ReadPlan& plan, int number) {
  const PlanPlc* plc = FindPlanPlc(plan, number);
  const int answer = number >= 0 && number < static_cast<int>(plan.answerBytes.size())
                         ? plan.answerBytes[number]
                         : 0;
  if (plc == nullptr || plc->type == kPlcTypeS5) return std::to_string(answer) + " bytes an answer";
  const std::string pdu = "PDU " + std::to_string(answer + kS7ReadAnswerOverhead);
  return (plc->pduBytes > 0 ? pdu : pdu + " assumed (its PDU is not known: not connected)") + ", " +
         std::to_string(answer) + " bytes an answer";
}

std::string ReadName(const PlannedRead& read) {
  return read.block ? "block " + read.tag.text
                    : "run " + read.tag.text + " x " + std::to_string(read.tag.count);
}

std::string AloneReasonText(const AloneTag& alone) {
  if (alone.reason == AloneReason::kFileBlock && !alone.detail.empty())
    return "held by the tag file's cache-block tag " + alone.detail +
           ", which serves it as written";
  return AloneWords(alone.reason);
}

int ServedTags(const ReadPlan& plan) {
  int served = 0;
  for (const PlannedRead& read : plan.reads)
    served += static_cast<int>(read.members.size());
  return served;
}

}  // namespace

std::string RequestsWords(const ReadPlan& plan) {
  const std::string requests = Counted(plan.requests, "request", "requests") + " a round";
  if (!plan.on) return requests + " tag by tag (no plan)";
  return requests + " by the plan (tag by tag: " + std::to_string(plan.tagByTag) + ")";
}

std::vector<std::string> PlanLines(const PlanViewInput& view) {
  const ReadPlan& plan = *view.plan;
  const std::vector<Tag>& tags = *view.tags;
  std::vector<std::string> lines;
  int blocks = 0;
  for (const PlannedRead& read : plan.reads)
    blocks += read.block ? 1 : 0;
  lines.push_back("read plan: " + Counted(blocks, "block", "blocks") + " and " +
                  Counted(static_cast<int>(plan.reads.size()) - blocks, "run", "runs") + " serve " +
                  Counted(ServedTags(plan), "tag", "tags") + ", " +
                  Counted(static_cast<int>(plan.alone.size()), "tag is", "tags are") +
                  " read alone; " + RequestsWords(plan));
  std::map<int, std::vector<const PlannedRead*>> byPlc;
  for (const PlannedRead& read : plan.reads)
    byPlc[read.plc].push_back(&read);
  for (const auto& [number, reads] : byPlc) {
    lines.push_back(view.describePlc(number) + ", " + AnswerWords(plan, number) + ":");
    bool hasBlock = false;
    for (const PlannedRead* read : reads) {
      std::string names;
      for (const PlannedRead::Member& member : read->members)
        names += (names.empty() ? "" : ", ") + tags[member.tag].name;
      lines.push_back("  " + ReadName(*read) + "  " + view.memory(read->tag) + ": " +
                      Counted(read->requests, "request", "requests") + ", " +
                      Counted(static_cast<int>(read->members.size()), "tag", "tags") + ": " +
                      names);
      hasBlock = hasBlock || read->block;
    }
    const PlanPlc* plc = FindPlanPlc(plan, number);
    if (hasBlock && plc != nullptr && plc->backup != 0) {
      lines.push_back("  while its backup PLC " + std::to_string(plc->backup) +
                      " serves, the tags of these blocks are read one by one from PLC " +
                      std::to_string(plc->backup));
    }
  }
  if (!plan.alone.empty()) lines.push_back("read alone:");
  for (const AloneTag& alone : plan.alone) {
    const Tag& tag = tags[alone.tag];
    lines.push_back("  " + Padded(tag.name, 12) + Padded(tag.text, 16) +
                    Padded(Counted(alone.requests, "request", "requests"), 12) +
                    AloneReasonText(alone));
  }
  return lines;
}

std::string PlanJson(const PlanViewInput& view) {
  const ReadPlan& plan = *view.plan;
  const std::vector<Tag>& tags = *view.tags;
  std::vector<std::string> plcs;
  for (const PlanPlc& plc : plan.plcs) {
    JsonObject object;
    object.Add("plc", plc.number)
        .Add("type", static_cast<int>(plc.type))
        .Add("answerBytes", plan.answerBytes[plc.number]);
    if (plc.type != kPlcTypeS5) object.Add("pduKnown", plc.pduBytes > 0);
    if (plc.backup != 0) object.Add("backup", plc.backup);
    plcs.push_back(object.str());
  }
  std::vector<std::string> reads;
  for (const PlannedRead& read : plan.reads) {
    std::vector<std::string> names;
    for (const PlannedRead::Member& member : read.members)
      names.push_back(JsonString(tags[member.tag].name));
    JsonObject object;
    object.Add("kind", read.block ? "block" : "run")
        .Add("plc", read.plc)
        .Add("address", read.tag.text)
        .Add("count", read.tag.count)
        .Add("memory", view.memory(read.tag))
        .Add("bytes", read.bytes)
        .Add("requests", read.requests)
        .AddRaw("tags", JsonArray(names));
    reads.push_back(object.str());
  }
  std::vector<std::string> alone;
  for (const AloneTag& tag : plan.alone) {
    JsonObject object;
    object.Add("name", tags[tag.tag].name)
        .Add("address", tags[tag.tag].text)
        .Add("requests", tag.requests)
        .Add("reason", AloneReasonText(tag));
    alone.push_back(object.str());
  }
  JsonObject object;
  object.Add("plan", plan.on)
      .Add("requests", plan.requests)
      .Add("tagByTag", plan.tagByTag)
      .AddRaw("plcs", JsonArray(plcs))
      .AddRaw("reads", JsonArray(reads))
      .AddRaw("alone", JsonArray(alone));
  return object.str();
}

}  // namespace zanhost

#include "bridge/tags.h"

#include <cstdio>
#include <map>

#include "bridge/json_reader.h"
#include "bridge/messages.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "output/wall_time.h"
#include "session/plc_state_words.h"
#include "tags/host_types.h"
#include "tags/run_element.h"

namespace zanhost {

namespace {

constexpr int32_t kStatusKind = '!';
constexpr int32_t kFirstSpecialPlc = 256;  // status and heartbeat tags carry 256 and above

SetOutcome Refused(const std::string& reason, const std::string& payload) {
  SetOutcome outcome;
  outcome.reason = reason;
  outcome.valueJson = PayloadEcho(payload);
  return outcome;
}

}  // namespace

bool CheckTagNames(const std::string& file, const std::vector<TagSpec>& specs, std::string& error) {
  std::map<std::string, int> lines;
  for (const TagSpec& declared : specs) {
    const std::string where = "tag file " + file + ", line " + std::to_string(declared.line) + ": ";
    std::string why;
    if (!IsTopicLevel(declared.name, why)) {
      error = where + "the tag name cannot be a level of an MQTT topic: " + why;
      return false;
    }
    const auto [earlier, fresh] = lines.emplace(declared.name, declared.line);
    if (!fresh) {
      error = where + "the tag name \"" + declared.name + "\" is taken by line " +
              std::to_string(earlier->second) + "; each tag has a topic of its own";
      return false;
    }
  }
  return true;
}

BridgeTable::BridgeTable(BridgeDriver& driver) : driver_(driver) {
  for (const ListedPlc& plc : driver.plcs()) {
    BridgePlc row;
    row.plc = plc;
    plcs_.push_back(row);
  }
}

int BridgeTable::Define(const std::vector<TagSpec>& specs) {
  int accepted = 0;
  for (const TagSpec& declared : specs) {
    BridgeTag row;
    row.declared = declared;
    row.tag.name = declared.name;
    row.tag.text = declared.address;
    row.tag.hostType = declared.hostType;
    row.tag.count = declared.count;
    row.defined = driver_.DefineTag(row.tag);
    if (row.defined) {
      ++accepted;
    } else {
      row.result = kResultRefused;
      row.timeMs = NowMilliseconds();
      row.time = UtcTimeText(row.timeMs);
    }
    tags_.push_back(row);
  }
  return accepted;
}

TagReload BridgeTable::Reload(const std::vector<TagSpec>& specs) {
  TagReload reload;
  std::vector<BridgeTag> old;
  old.swap(tags_);
  std::vector<bool> taken(old.size(), false);
  std::vector<TagSpec> fresh;
  for (const TagSpec& declared : specs) {
    bool kept = false;
    for (std::size_t i = 0; i < old.size() && !kept; ++i) {
      const TagSpec& was = old[i].declared;
      if (taken[i] || was.name != declared.name) continue;
      taken[i] = true;
      if (was.address == declared.address && was.hostType == declared.hostType &&
          was.count == declared.count) {
        old[i].declared = declared;
        tags_.push_back(std::move(old[i]));
        kept = true;
      }
    }
    if (kept) {
      ++reload.kept;
      continue;
    }
    ++reload.added;
    if (Define({declared}) == 0) reload.refused.push_back(tags_.back());
  }
  for (std::size_t i = 0; i < old.size(); ++i) {
    if (taken[i]) continue;
    reload.removed.push_back(std::move(old[i]));
  }
  return reload;
}

void BridgeTable::Read(BridgeTag& tag) {
  if (!tag.defined) return;
  std::vector<TagValue> values;
  int32_t servedBy = tag.servedBy;
  const int32_t result = driver_.ReadValues(tag.tag, values, &servedBy);
  const RequestNote note = driver_.LastRequest();
  if (result == kResultDone && !note.unread.empty()) return;
  tag.result = result;
  tag.outcome = note.outcome;
  tag.values = std::move(values);
  tag.servedBy = servedBy;
  tag.timeMs = NowMilliseconds();
  tag.time = UtcTimeText(tag.timeMs);
  std::vector<std::string> items;
  for (const TagValue& value : tag.values)
    items.push_back(value.ToJson());
  if (items.empty()) {
    tag.valueJson = "null";
  } else if (tag.tag.count > 1 && LayoutOfKind(tag.tag.kind) != CellLayout::kText) {
    tag.valueJson = JsonArray(items);
  } else {
    tag.valueJson = items.front();
  }
}

void BridgeTable::UpdatePlcs() {
  const DriverState* state = driver_.state();
  for (BridgePlc& row : plcs_) {
    // A PLC that waits for its heartbeat is not down: no warm start can bring it back.
    row.down = state == nullptr || driver_.NeedsWarmStart(row.plc.number);
    const std::string word = state == nullptr ? "" : driver_.PlcWord(row.plc.number);
    // A PLC that answers too late serves nothing either, whatever link state the driver keeps.
    row.unreachable =
        state == nullptr || IsPlcUnreachable(*state, row.plc.number) || word == kNoAnswerWord;
    row.state = PlcTopicState(word, row.down);
  }
}

int32_t BridgeTable::PlcTypeOf(const Tag& tag) const {
  const DriverState* state = driver_.state();
  return state != nullptr ? state->plcs[tag.plc & 0xFF].type : 0;
}

TagShape BridgeTable::ShapeOf(const Tag& tag) const {
  return ShapeOfTag(tag.hostType, tag.kind, tag.count, tag.bit, tag.text, PlcTypeOf(tag));
}

SetOutcome BridgeTable::Set(const std::string& name, const std::string& payload, bool retained,
                            int element) {
  if (retained) {
    return Refused(
        "a retained set is not carried out: the broker kept it from earlier; it is cleared from "
        "the broker, so that it comes only once",
        payload);
  }
  BridgeTag* tag = Find(name);
  if (tag == nullptr) return Refused("no tag \"" + name + "\" in the tag file", payload);
  if (!tag->declared.writable) {
    return Refused("tag \"" + name + "\" is read-only: the tag file does not mark it rw", payload);
  }
  if (!tag->defined) return Refused("the driver refused the tag: " + tag->tag.refusal, payload);
  // What is written: the tag, or one value of its run as a tag of its own.
  Tag target = tag->tag;
  std::string why;
  if (element != kWholeTag && !ElementAddress(target.kind, PlcTypeOf(target), target.address,
                                              target.count, element, target.address, why)) {
    return Refused("tag \"" + name + "\": " + why, payload);
  }
  if (element != kWholeTag) target.count = 1;
  SetOutcome outcome;
  SetValues values;
  if (!ReadSetPayload(payload, ShapeOf(target), values, outcome.valueJson, outcome.reason)) {
    return outcome;
  }
  const bool single = target.count == 1;
  ValueBuffer buffer(target.count);
  for (std::size_t i = 0; i < values.texts.size(); ++i) {
    if (!EncodeValue(values.texts[i], target.kind, target.hostType, static_cast<int32_t>(i), single,
                     buffer, outcome.reason)) {
      return outcome;
    }
  }
  DriverWrite write = driver_.Write(target, buffer, single);
  outcome.result = write.result;
  outcome.written = true;
  outcome.log = std::move(write.log);
  outcome.reason = std::move(write.reason);
  return outcome;
}

BridgeTag* BridgeTable::Find(const std::string& name) {
  for (BridgeTag& tag : tags_) {
    if (tag.declared.name == name) return &tag;
  }
  return nullptr;
}

int BridgeTable::refused() const {
  int count = 0;
  for (const BridgeTag& tag : tags_)
    count += tag.defined ? 0 : 1;
  return count;
}

int BridgeTable::PlcOf(const BridgeTag& tag) {
  const int32_t plc = tag.result >= 0 && tag.servedBy != 0 ? tag.servedBy : tag.tag.plc;
  if (plc < kFirstSpecialPlc) return plc;
  return (tag.tag.kind & 0xFF) == kStatusKind ? tag.tag.address : plc & 0xFF;
}

}  // namespace zanhost

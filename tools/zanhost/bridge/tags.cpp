#include "bridge/tags.h"

#include <algorithm>
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

BridgeTable::BridgeTable(BridgeDriver& driver, bool plan)
    : driver_(driver), rounds_(driver), plan_(plan) {
  for (const ListedPlc& plc : driver.plcs()) {
    BridgePlc row;
    row.plc = plc;
    plcs_.push_back(row);
  }
}

bool BridgeTable::DefineRow(BridgeTag& row) {
  row.defined = driver_.DefineTag(row.tag);
  if (!row.defined) {
    // A tag refused when defined again (after an Init) has no value any more.
    row.result = kResultRefused;
    row.outcome.clear();
    row.servedBy = 0;
    row.values.clear();
    row.valueJson = "null";
    row.timeMs = NowMilliseconds();
    row.time = UtcTimeText(row.timeMs);
  }
  return row.defined;
}

int BridgeTable::Define(const std::vector<TagSpec>& specs) {
  int accepted = 0;
  for (const TagSpec& declared : specs) {
    BridgeTag row;
    row.declared = declared;
    row.tag = TagOfSpec(declared);
    accepted += DefineRow(row) ? 1 : 0;
    tags_.push_back(row);
  }
  Replan();
  return accepted;
}

void BridgeTable::Replan(PlanRounds::Pdus pdus) {
  std::vector<Tag> tags;
  std::vector<bool> defined;
  for (const BridgeTag& row : tags_) {
    tags.push_back(row.tag);
    defined.push_back(row.defined);
  }
  rounds_.Prepare(tags, defined, plan_, pdus);
}

std::vector<int> BridgeTable::TakePlcList() {
  const std::vector<ListedPlc>& listed = driver_.plcs();
  std::vector<int> now;
  for (const ListedPlc& plc : listed)
    now.push_back(plc.number);
  std::vector<int> rows;
  for (BridgePlc& row : plcs_) {
    rows.push_back(row.plc.number);
    if (const ListedPlc* plc = FindPlc(listed, row.plc.number)) row.plc = *plc;
  }
  return now == rows ? std::vector<int>{} : now;
}

TagReload BridgeTable::Reload(const std::vector<TagSpec>& specs) {
  TagReload reload;
  std::vector<BridgeTag> old;
  old.swap(tags_);
  std::vector<bool> taken(old.size(), false);  // its name is in the file
  std::vector<bool> kept(old.size(), false);   // ... and its tag stays as it was
  std::vector<std::size_t> fresh;              // rows of tags_ not defined yet
  for (const TagSpec& declared : specs) {
    bool stays = false;
    for (std::size_t i = 0; i < old.size() && !stays; ++i) {
      const TagSpec& was = old[i].declared;
      if (taken[i] || was.name != declared.name) continue;
      taken[i] = true;
      if (was.address == declared.address && was.hostType == declared.hostType &&
          was.count == declared.count) {
        old[i].declared = declared;
        tags_.push_back(std::move(old[i]));
        kept[i] = stays = true;
      }
    }
    if (stays) {
      ++reload.kept;
      continue;
    }
    ++reload.added;
    BridgeTag row;
    row.declared = declared;
    row.tag = TagOfSpec(declared);
    fresh.push_back(tags_.size());
    tags_.push_back(row);
  }
  // A cache-block tag of the file that goes or changes leaves its slot behind; a new one would
  // claim a slot behind the plan's blocks, which would then serve first what it holds.
  bool initAgain = false;
  for (std::size_t i = 0; i < old.size(); ++i) {
    if (kept[i]) continue;
    initAgain = initAgain || (old[i].defined && NamesCacheBlock(old[i].declared.address));
    // What the session kept of it (its value buffer, its heartbeat) goes with it.
    driver_.ForgetTag(old[i].tag.tagId);
    if (!taken[i]) reload.removed.push_back(std::move(old[i]));
  }
  for (const std::size_t row : fresh)
    initAgain = initAgain || NamesCacheBlock(tags_[row].declared.address);
  if (!initAgain) {
    // The new tags are defined first (none of them claims a slot): the plan needs their addresses.
    for (const std::size_t row : fresh)
      DefineRow(tags_[row]);
    std::vector<Tag> tags;
    std::vector<bool> defined;
    for (const BridgeTag& row : tags_) {
      tags.push_back(row.tag);
      defined.push_back(row.defined);
    }
    const DriverState* state = driver_.state();
    const std::vector<SlotUse> held = state != nullptr ? HeldSlots(*state) : std::vector<SlotUse>{};
    const std::vector<SlotUse> wanted = PlanRounds::SlotsOf(
        tags, defined, rounds_.Plan(tags, defined, plan_, PlanRounds::Pdus::kAsPlanned));
    initAgain =
        held.size() > wanted.size() || !std::equal(held.begin(), held.end(), wanted.begin());
  }
  if (initAgain) {
    reload.initialised = true;
    reload.initFailed = !driver_.Reinit(reload.initError);
    for (BridgeTag& row : tags_)
      DefineRow(row);
    if (!reload.initFailed) reload.configuredPlcs = TakePlcList();
  }
  for (const std::size_t row : fresh) {
    if (!tags_[row].defined) reload.refused.push_back(tags_[row]);
  }
  Replan(initAgain ? PlanRounds::Pdus::kNow : PlanRounds::Pdus::kAsPlanned);
  // The PLCs' states from before the Init would warm-start a PLC that it has just connected.
  if (initAgain) UpdatePlcs();
  return reload;
}

void BridgeTable::ReadRound(const std::function<void()>& between) {
  rounds_.Round([this](int index, const TagRead& read) { Take(tags_[index], read); }, between);
}

void BridgeTable::Read(BridgeTag& tag) {
  if (!tag.defined) return;
  Take(tag, rounds_.ReadNow(static_cast<int>(&tag - tags_.data())));
}

void BridgeTable::Take(BridgeTag& tag, const TagRead& read) {
  // A read that placed no value (a heartbeat tag that only reconnected its PLC) leaves the tag as
  // it was: its last value, result and time stay, and nothing new is published for it.
  if (read.result == kResultDone && !read.unread.empty()) return;
  tag.result = read.result;
  tag.outcome = read.outcome;
  tag.servedBy = read.servedBy;
  tag.values = read.values;
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
    // A PLC that waits for its heartbeat is not down: no warm start can bring it back; nor can it
    // bring back a PLC that the configuration file no longer configures (since an Init).
    row.down = state == nullptr || (zan::IsConfiguredPlc(*state, row.plc.number) &&
                                    driver_.NeedsWarmStart(row.plc.number));
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
  // What is written: the tag, or one value of its run as a tag of its own, whose address text the
  // driver's lines then name.
  Tag target = tag->tag;
  if (element != kWholeTag) {
    const DriverState* state = driver_.state();
    RunTag run;
    run.kind = target.kind;
    run.plcType = PlcTypeOf(target);
    run.address = target.address;
    run.count = target.count;
    run.text = target.text;
    run.longDb = state != nullptr && state->longDb != 0;
    RunElement one;
    std::string why;
    if (!ElementOfRun(run, element, one, why)) {
      return Refused("tag \"" + name + "\": " + why, payload);
    }
    target.address = one.address;
    target.text = one.text;
    target.count = 1;
  }
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

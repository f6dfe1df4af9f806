#include "plan/plan_rounds.h"

#include <algorithm>
#include <cstdlib>

#include "address/tag_address.h"
#include "output/result_words.h"
#include "session/failure_report.h"
#include "session/tag_report.h"
#include "tags/memory_place.h"

namespace zanhost {
namespace {

constexpr std::size_t kBlockLengthDigits = 4;  // the last field of a cache-block address

}  // namespace

int ServingPlc(const DriverState& state, int plc) {
  if (plc < 0 || plc >= kPlcCount) return -1;
  if (state.plcs[plc].backupPlc == 0) return plc;
  const int backup = state.plcs[plc & 0xFF].backupPlc;
  const PlcEntry& master = state.plcs[plc];
  if (master.linkState == kLinkFailed || master.watchdogAlive == 0)
    return state.plcs[backup].linkState == kLinkFailed ? -1 : backup;
  return plc;
}

std::vector<SlotUse> HeldSlots(const DriverState& state) {
  std::vector<SlotUse> slots;
  for (const CacheBlock& block : state.cache) {
    if (block.tagId == kCacheSlotFree) continue;
    slots.push_back(SlotUse{block.plcNumber, block.dbNumber, block.start, block.length});
  }
  return slots;
}

PlanInput PlanRounds::InputOf(const std::vector<Tag>& tags, const std::vector<bool>& defined,
                              bool on) const {
  PlanInput input;
  input.tags = tags;
  input.defined = defined;
  input.on = on;
  const DriverState* state = driver_.state();
  // Without the driver's PLC table nothing can be planned (nor read).
  if (state == nullptr) {
    input.on = false;
    return input;
  }
  input.longDb = state->longDb != 0;
  for (int number = 0; number < kPlcCount; ++number) {
    if (!zan::IsConfiguredPlc(*state, number)) continue;
    PlanPlc plc;
    plc.number = number;
    plc.type = state->plcs[number].type;
    plc.backup = state->plcs[number].backupPlc;
    plc.pduBytes = plc.type == kPlcTypeS5 ? 0 : driver_.PduBytes(number);
    input.plcs.push_back(plc);
  }
  return input;
}

ReadPlan PlanRounds::Plan(const std::vector<Tag>& tags, const std::vector<bool>& defined,
                          bool on) const {
  return MakeReadPlan(InputOf(tags, defined, on));
}

std::vector<SlotUse> PlanRounds::SlotsOf(const std::vector<Tag>& tags,
                                         const std::vector<bool>& defined, const ReadPlan& plan) {
  std::vector<SlotUse> slots;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const Tag& tag = tags[i];
    if (i >= defined.size() || !defined[i] || tag.kind != zan::kKindCacheBlock) continue;
    // The length stands in the last four characters of the address.
    const std::string length = tag.text.size() >= kBlockLengthDigits
                                   ? tag.text.substr(tag.text.size() - kBlockLengthDigits)
                                   : "";
    slots.push_back(SlotUse{tag.plc, DataBlockOf(tag.address), OffsetOf(tag.address),
                            std::atoi(length.c_str())});
  }
  for (const PlannedRead& read : plan.reads) {
    if (read.block) slots.push_back(SlotUse{read.plc, read.dataBlock, read.start, read.length});
  }
  return slots;
}

void PlanRounds::Prepare(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on) {
  tags_ = tags;
  defined_ = defined;
  plan_ = Plan(tags, defined, on);
  DefinePlanTags();
}

void PlanRounds::DefinePlanTags() {
  states_.assign(plan_.reads.size(), ReadState{});
  std::vector<int> refused;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    PlannedRead& read = plan_.reads[r];
    if (read.block) {
      const auto known = blockIds_.find(read.tag.text);
      read.tag.tagId = known == blockIds_.end() ? 0 : known->second;
    }
    if (!driver_.DefineOwnTag(read.tag)) {
      refused.push_back(static_cast<int>(r));
      continue;
    }
    if (read.block) blockIds_[read.tag.text] = read.tag.tagId;
    if (!read.block) states_[r].values = ValueBuffer(read.tag.count);
  }
  for (auto r = refused.rbegin(); r != refused.rend(); ++r) {
    notes_.push_back("the driver refused the plan's read " + plan_.reads[*r].tag.text + " (" +
                     plan_.reads[*r].tag.refusal + "): its tags are read on their own");
    Demote(*r, AloneReason::kPlanRefused);
  }
}

void PlanRounds::Demote(int r, AloneReason reason) {
  for (const PlannedRead::Member& member : plan_.reads[r].members) {
    AloneTag alone;
    alone.tag = member.tag;
    alone.reason = reason;
    alone.requests = plan_.requestsAlone[member.tag];
    plan_.alone.push_back(alone);
  }
  std::sort(plan_.alone.begin(), plan_.alone.end(),
            [](const AloneTag& a, const AloneTag& b) { return a.tag < b.tag; });
  plan_.reads.erase(plan_.reads.begin() + r);
  states_.erase(states_.begin() + r);
  for (int& read : plan_.readOf) {
    if (read == r) {
      read = -1;
    } else if (read > r) {
      --read;
    }
  }
  plan_.requests = 0;
  for (const PlannedRead& read : plan_.reads)
    plan_.requests += read.requests;
  for (const AloneTag& tag : plan_.alone)
    plan_.requests += tag.requests;
}

void PlanRounds::ReadPlanned(int r) {
  const PlannedRead& read = plan_.reads[r];
  ReadState& state = states_[r];
  for (int attempt = 0; attempt < 2; ++attempt) {
    state.read = true;
    state.servedBy = read.tag.plc;
    state.failure = ReadFailure{};
    if (read.block) {
      std::vector<TagValue> none;  // a cache-block tag's value carries no PLC data
      state.result = driver_.ReadValues(read.tag, none, &state.servedBy);
    } else {
      state.values.Clear();
      state.result = driver_.ReadBuffer(read.tag, state.values, &state.servedBy);
    }
    if (state.result != kResultDone) {
      const std::string noted = driver_.LastRequest().outcome;
      state.failure = driver_.ExplainRead(read.tag, state.result, state.servedBy);
      if (state.failure.outcome.empty()) state.failure.outcome = noted;
    }
    if (between_) between_();
    // A run of a pair whose read moved the pair to its backup is read there at once, as the next
    // tag's request would be. (A block's tags miss the master's block once the backup serves, and
    // are read from the backup on their own.)
    const DriverState* driverState = driver_.state();
    if (read.block || state.result != kResultRefused || state.failure.plcRefused ||
        driverState == nullptr) {
      return;
    }
    const int serving = ServingPlc(*driverState, read.tag.plc);
    if (serving < 0 || serving == state.servedBy) return;
  }
}

void PlanRounds::GiveUp(int r) {
  const PlannedRead& read = plan_.reads[r];
  const ReadState& state = states_[r];
  notes_.push_back("PLC " + std::to_string(state.servedBy & 0xFF) + " refused the " +
                   (read.block ? "block " : "run ") + ReadPlace(read) +
                   (state.failure.words.empty() ? "" : " (" + state.failure.words + ")") +
                   ": its " + std::to_string(read.members.size()) +
                   " tags are read on their own from now on");
  if (read.block) {
    // Defined again with no bytes, its slot holds no tag.
    Tag parked = read.tag;
    parked.text = parked.text.substr(0, parked.text.size() - kBlockLengthDigits) + "0000";
    driver_.DefineOwnTag(parked);
  }
  Demote(r, AloneReason::kGivenUp);
}

bool PlanRounds::Refresh(int r) {
  ReadPlanned(r);
  if (!states_[r].failure.plcRefused) return true;
  GiveUp(r);
  return false;
}

void PlanRounds::Round(const Take& take, const std::function<void()>& between) {
  between_ = between;
  for (ReadState& state : states_)
    state.read = false;
  if (!plan_.on) {
    for (std::size_t i = 0; i < tags_.size(); ++i) {
      if (i < defined_.size() && defined_[i])
        take(static_cast<int>(i), ReadAlone(static_cast<int>(i)));
    }
    between_ = {};
    return;
  }
  const std::vector<AloneTag> heartbeats = [&] {
    std::vector<AloneTag> found;
    for (const AloneTag& tag : plan_.alone) {
      if (tag.reason == AloneReason::kHeartbeat) found.push_back(tag);
    }
    return found;
  }();
  for (const AloneTag& tag : heartbeats)
    take(tag.tag, ReadAlone(tag.tag));
  std::vector<int> refused;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    ReadPlanned(static_cast<int>(r));
    if (states_[r].failure.plcRefused) refused.push_back(static_cast<int>(r));
  }
  for (auto r = refused.rbegin(); r != refused.rend(); ++r)
    GiveUp(*r);
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    if (plan_.readOf[i] >= 0) take(static_cast<int>(i), Serve(static_cast<int>(i), false));
  }
  const std::vector<AloneTag> others = plan_.alone;
  for (const AloneTag& tag : others) {
    if (tag.reason != AloneReason::kHeartbeat) take(tag.tag, Serve(tag.tag, false));
  }
  between_ = {};
}

TagRead PlanRounds::ReadNow(int tag) {
  if (tag < 0 || tag >= static_cast<int>(tags_.size()) || !defined_[tag]) return TagRead{};
  return Serve(tag, true);
}

TagRead PlanRounds::Serve(int i, bool fresh) {
  const int r = plan_.readOf[i];
  if (r >= 0 && !plan_.reads[r].block) {
    if (fresh && !Refresh(r)) return Serve(i, false);  // given up: the tag is read alone now
    const ReadState& state = states_[r];
    if (state.result != kResultDone) return FromFailedRead(r);
    TagRead read;
    read.result = kResultDone;
    read.servedBy = state.servedBy;
    for (const PlannedRead::Member& member : plan_.reads[r].members) {
      if (member.tag == i)
        read.values = DecodeReadValues(state.values, tags_[i], member.firstValue);
    }
    return read;
  }
  // The driver serves the tag from the first slot that holds it on the PLC that serves it: when
  // that is a block of the plan whose read failed, the tag shares its failure.
  if (const DriverState* state = driver_.state()) {
    const int serving = ServingPlc(*state, tags_[i].plc);
    const int planned = serving < 0 ? -1 : PlannedReadAt(CoveringSlot(*state, tags_[i], serving));
    if (planned >= 0) {
      if (fresh && !Refresh(planned)) return Serve(i, false);
      if (states_[planned].read && states_[planned].result != kResultDone)
        return FromFailedRead(planned);
    }
  }
  return ReadAlone(i);
}

TagRead PlanRounds::ReadAlone(int i) {
  const Tag& tag = tags_[i];
  TagRead read;
  read.servedBy = tag.plc;
  read.result = driver_.ReadValues(tag, read.values, &read.servedBy);
  const RequestNote note = driver_.LastRequest();
  read.outcome = note.outcome;
  read.unread = note.unread;
  if (read.result != kResultDone) {
    read.values.clear();
    const ReadFailure failure = driver_.ExplainRead(tag, read.result, read.servedBy);
    read.failure = failure.words;
    if (!failure.outcome.empty()) read.outcome = failure.outcome;
  }
  if (between_) between_();
  return read;
}

TagRead PlanRounds::FromFailedRead(int r) const {
  const PlannedRead& planned = plan_.reads[r];
  const ReadState& state = states_[r];
  TagRead read;
  read.result = state.result;
  read.servedBy = state.servedBy;
  read.outcome = state.failure.outcome;
  const std::string with =
      std::string(planned.block ? "read with its block, " : "read with its run, ") +
      ReadPlace(planned);
  read.failure = state.failure.words.empty() ? with : state.failure.words + "; " + with;
  return read;
}

int PlanRounds::PlannedReadAt(int slot) const {
  const DriverState* state = driver_.state();
  if (slot < 0 || state == nullptr) return -1;
  const int32_t id = state->cache[slot].tagId;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    if (plan_.reads[r].block && plan_.reads[r].tag.tagId == id) return static_cast<int>(r);
  }
  return -1;
}

std::string PlanRounds::ReadPlace(const PlannedRead& read) const {
  if (read.block) {
    return "data block " + std::to_string(read.dataBlock) + ", bytes " +
           std::to_string(read.start) + " to " + std::to_string(read.start + read.length - 1) +
           " of PLC " + std::to_string(read.plc);
  }
  const DriverState* state = driver_.state();
  const std::string place =
      state != nullptr ? MemoryPlace(PlaceOf(*state, read.tag, read.plc)) : "";
  return place + " of PLC " + std::to_string(read.plc);
}

std::vector<std::string> PlanRounds::TakeNotes() {
  std::vector<std::string> notes;
  notes.swap(notes_);
  return notes;
}

}  // namespace zanhost

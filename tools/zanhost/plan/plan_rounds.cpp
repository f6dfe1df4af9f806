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

// A read that failed with a block or run: its result and cause, and where it was read.
TagRead FailedWith(int32_t result, int32_t servedBy, const ReadFailure& failure,
                   const std::string& with) {
  TagRead read;
  read.result = result;
  read.servedBy = servedBy;
  read.outcome = failure.outcome;
  read.failure = failure.words.empty() ? with
                 : with.empty()        ? failure.words
                                       : failure.words + "; " + with;
  return read;
}

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

SlotUse SlotOfBlockTag(const Tag& tag) {
  const std::string length = tag.text.size() >= kBlockLengthDigits
                                 ? tag.text.substr(tag.text.size() - kBlockLengthDigits)
                                 : "";
  return SlotUse{tag.plc, DataBlockOf(tag.address), OffsetOf(tag.address),
                 std::atoi(length.c_str())};
}

PlanInput PlanRounds::InputOf(const std::vector<Tag>& tags, const std::vector<bool>& defined,
                              bool on, Pdus pdus) const {
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
    if (pdus == Pdus::kAsPlanned) {
      for (const PlanPlc& planned : plan_.plcs) {
        if (planned.number == number) plc.pduBytes = planned.pduBytes;
      }
    }
    input.plcs.push_back(plc);
  }
  return input;
}

ReadPlan PlanRounds::Plan(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on,
                          Pdus pdus) const {
  return MakeReadPlan(InputOf(tags, defined, on, pdus));
}

std::vector<SlotUse> PlanRounds::SlotsOf(const std::vector<Tag>& tags,
                                         const std::vector<bool>& defined, const ReadPlan& plan) {
  std::vector<SlotUse> slots;
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const Tag& tag = tags[i];
    if (i >= defined.size() || !defined[i] || tag.kind != zan::kKindCacheBlock) continue;
    slots.push_back(SlotOfBlockTag(tag));
  }
  for (const PlannedRead& read : plan.reads) {
    if (read.block) slots.push_back(SlotUse{read.plc, read.dataBlock, read.start, read.length});
  }
  return slots;
}

void PlanRounds::Prepare(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on,
                         Pdus pdus) {
  plan_ = Plan(tags, defined, on, pdus);
  tags_ = tags;
  defined_ = defined;
  fileBlocks_.clear();
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    if (i < defined_.size() && defined_[i] && tags_[i].kind == zan::kKindCacheBlock)
      fileBlocks_.push_back(FileBlock{static_cast<int>(i), ReadState{}});
  }
  DefinePlanTags();
}

void PlanRounds::DefinePlanTags() {
  states_.assign(plan_.reads.size(), ReadState{});
  std::vector<int> refused;
  // Only the ids of this plan's blocks are kept: a block that the plan drops has its slot freed by
  // the Init that its going calls for (bridge/tags.h), or parked when it was given up.
  std::map<std::string, int32_t> blockIds;
  std::vector<int32_t> ownIds;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    PlannedRead& read = plan_.reads[r];
    if (read.block) {
      const auto known = blockIds_.find(read.tag.text);
      read.tag.tagId = known == blockIds_.end() ? 0 : known->second;
    }
    const bool taken = driver_.DefineOwnTag(read.tag);
    if (read.tag.tagId != 0) ownIds.push_back(read.tag.tagId);
    if (!taken) {
      refused.push_back(static_cast<int>(r));
      continue;
    }
    if (read.block) blockIds[read.tag.text] = read.tag.tagId;
    if (!read.block) states_[r].values = ValueBuffer(read.tag.count);
  }
  for (const int32_t id : ownIds_) {
    if (std::find(ownIds.begin(), ownIds.end(), id) == ownIds.end()) driver_.ForgetTag(id);
  }
  ownIds_ = std::move(ownIds);
  blockIds_ = std::move(blockIds);
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
  state.byBlock = false;
  if (!read.block) {
    // A run that a block without valid data holds would be answered 1 from it, over the PLC's
    // link state: it shares the block's failure instead.
    const BlockRef holder = CoveringBlock(read.tag);
    if (Failed(holder)) {
      const TagRead failed = FromFailedBlock(holder);
      state.read = true;
      state.result = failed.result;
      state.servedBy = failed.servedBy;
      state.failure = ReadFailure{failed.failure, failed.outcome, false};
      state.byBlock = true;
      state.values.Clear();
      return;
    }
  }
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
    parked.text = ParkedBlockAddress(parked.text);
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

TagRead PlanRounds::ReadFileBlock(int f) {
  const TagRead read = ReadAlone(fileBlocks_[f].tag);
  ReadState& state = fileBlocks_[f].state;
  state.read = true;
  state.result = read.result;
  state.servedBy = read.servedBy;
  state.failure = ReadFailure{read.failure, read.outcome, false};
  return read;
}

int PlanRounds::FileBlockOf(int tag) const {
  for (std::size_t f = 0; f < fileBlocks_.size(); ++f) {
    if (fileBlocks_[f].tag == tag) return static_cast<int>(f);
  }
  return -1;
}

void PlanRounds::Round(const Take& take, const std::function<void()>& between) {
  between_ = between;
  for (ReadState& state : states_)
    state.read = false;
  if (!plan_.on) {
    for (std::size_t i = 0; i < tags_.size(); ++i) {
      if (i >= defined_.size() || !defined_[i]) continue;
      const int file = FileBlockOf(static_cast<int>(i));
      take(static_cast<int>(i), file >= 0 ? ReadFileBlock(file) : Serve(static_cast<int>(i)));
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
  for (std::size_t f = 0; f < fileBlocks_.size(); ++f)
    take(fileBlocks_[f].tag, ReadFileBlock(static_cast<int>(f)));
  std::vector<int> refused;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    ReadPlanned(static_cast<int>(r));
    if (states_[r].failure.plcRefused) refused.push_back(static_cast<int>(r));
  }
  for (auto r = refused.rbegin(); r != refused.rend(); ++r)
    GiveUp(*r);
  for (std::size_t i = 0; i < tags_.size(); ++i) {
    if (plan_.readOf[i] >= 0) take(static_cast<int>(i), Serve(static_cast<int>(i)));
  }
  const std::vector<AloneTag> others = plan_.alone;
  for (const AloneTag& tag : others) {
    if (tag.reason != AloneReason::kHeartbeat && tag.reason != AloneReason::kCacheBlockTag)
      take(tag.tag, Serve(tag.tag));
  }
  between_ = {};
}

TagRead PlanRounds::ReadNow(int tag) {
  if (tag < 0 || tag >= static_cast<int>(tags_.size()) || !defined_[tag]) return TagRead{};
  const int file = FileBlockOf(tag);
  if (file >= 0) return ReadFileBlock(file);
  // What serves the tag is read first: the block that holds its read, then its run (either may
  // be given up on the way, which moves the plan's reads).
  const auto runOf = [&] {
    const int r = plan_.readOf[tag];
    return r >= 0 && !plan_.reads[r].block ? r : -1;
  };
  const BlockRef holder = CoveringBlock(runOf() >= 0 ? plan_.reads[runOf()].tag : tags_[tag]);
  if (holder.planned >= 0) Refresh(holder.planned);
  if (holder.file >= 0) ReadFileBlock(holder.file);
  if (runOf() >= 0) Refresh(runOf());
  return Serve(tag);
}

TagRead PlanRounds::Serve(int i) {
  const int r = plan_.readOf[i];
  if (r >= 0 && !plan_.reads[r].block) {
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
  // the latest read of that block failed, the tag shares its failure.
  const BlockRef holder = CoveringBlock(tags_[i]);
  if (Failed(holder)) return FromFailedBlock(holder);
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
  // A run that shares its block's failure names that block already.
  const std::string with =
      state.byBlock ? ""
                    : std::string(planned.block ? "read with its block, " : "read with its run, ") +
                          ReadPlace(planned);
  return FailedWith(state.result, state.servedBy, state.failure, with);
}

PlanRounds::BlockRef PlanRounds::CoveringBlock(const Tag& tag) const {
  BlockRef block;
  const DriverState* state = driver_.state();
  if (state == nullptr) return block;
  const int serving = ServingPlc(*state, tag.plc);
  const int slot = serving < 0 ? -1 : CoveringSlot(*state, tag, serving);
  if (slot < 0) return block;
  const int32_t id = state->cache[slot].tagId;
  for (std::size_t r = 0; r < plan_.reads.size(); ++r) {
    if (plan_.reads[r].block && plan_.reads[r].tag.tagId == id) block.planned = static_cast<int>(r);
  }
  for (std::size_t f = 0; f < fileBlocks_.size(); ++f) {
    if (tags_[fileBlocks_[f].tag].tagId == id) block.file = static_cast<int>(f);
  }
  return block;
}

bool PlanRounds::Failed(const BlockRef& block) const {
  const ReadState* state = block.planned >= 0 ? &states_[block.planned]
                           : block.file >= 0  ? &fileBlocks_[block.file].state
                                              : nullptr;
  return state != nullptr && state->read && state->result != kResultDone;
}

TagRead PlanRounds::FromFailedBlock(const BlockRef& block) const {
  if (block.planned >= 0) return FromFailedRead(block.planned);
  const ReadState& state = fileBlocks_[block.file].state;
  const Tag& tag = tags_[fileBlocks_[block.file].tag];
  const SlotUse slot = SlotOfBlockTag(tag);
  return FailedWith(state.result, state.servedBy, state.failure,
                    "read with the cache-block tag " + tag.name + ", data block " +
                        std::to_string(slot.dataBlock) + ", bytes " + std::to_string(slot.start) +
                        " to " + std::to_string(slot.start + slot.length - 1) + " of PLC " +
                        std::to_string(slot.plc & 0xFF));
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

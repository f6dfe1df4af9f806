#include "plan/read_plan.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

#include "address/tag_address.h"
#include "plan/request_cost.h"
#include "plan/span_grouping.h"
#include "read/transfer_values.h"
#include "tags/host_types.h"
#include "tags/memory_place.h"

namespace zanhost {
namespace {

// A cache-block address names its first byte in four decimal digits, and holds 1000 bytes.
constexpr int kCacheAddressMaxStart = 9999;
// CheckArrayTag's limits of a run: 500 values of the three 32-bit kinds it names, 1000 of the
// others.
constexpr int kRunValuesMax = 1000;
constexpr int kRunWideValuesMax = 500;
// How far the price of a cache slot may rise while the plan looks for one that fits the slots.
constexpr double kSlotPriceLimit = 1e7;
constexpr int kSlotPriceSteps = 60;

int LowKind(const Tag& tag) {
  return tag.kind & 0xFF;
}

bool IsInputsOutputs(const Tag& tag) {
  const int area = LowKind(tag);
  return area == 'I' || area == 'Q' || area == 'M';
}

bool IsHeartbeat(const Tag& tag) {
  return tag.kind == zan::kKindMasterHeartbeat || tag.kind == zan::kKindBackupHeartbeat;
}

class PlanContext {
 public:
  explicit PlanContext(const PlanInput& input) : input_(input), answerBytes_(kPlcCount, 0) {
    for (const PlanPlc& plc : input.plcs) {
      if (plc.number < 0 || plc.number >= kPlcCount) continue;
      plcs_[plc.number] = plc;
      answerBytes_[plc.number] = ReadAnswerBytes(plc.type, plc.pduBytes);
    }
  }

  const PlanPlc* Plc(int number) const {
    const auto found = plcs_.find(number);
    return found == plcs_.end() ? nullptr : &found->second;
  }
  uint8_t TypeOf(int number) const {
    const PlanPlc* plc = Plc(number);
    return plc == nullptr ? kPlcTypeS7 : plc->type;
  }
  int AnswerBytes(int number) const {
    return number >= 0 && number < kPlcCount && answerBytes_[number] > 0
               ? answerBytes_[number]
               : ReadAnswerBytes(kPlcTypeS7, 0);
  }
  const std::vector<int>& answerBytes() const { return answerBytes_; }

  // The PLC whose memory a read of the tag alone asks for: a heartbeat tag's own member.
  int ReadPlc(const Tag& tag) const {
    const int plc = tag.plc & 0xFF;
    if (tag.kind != zan::kKindBackupHeartbeat) return plc;
    const PlanPlc* master = Plc(plc);
    return master != nullptr && master->backup != 0 ? master->backup : plc;
  }

  PlacedTag Placed(const Tag& tag, int32_t count) const {
    PlacedTag placed;
    placed.text = tag.text;
    placed.kind = tag.kind;
    placed.address = tag.address;
    placed.bit = tag.bit;
    placed.plcType = TypeOf(ReadPlc(tag));
    placed.longDb = input_.longDb;
    placed.count = count;
    return placed;
  }

  // The units (bytes on an S7, data words in the data blocks of the other types) that a read of
  // the tag alone transfers; false for a tag without a transfer (a status tag).
  bool Extent(const Tag& tag, Span& span) const {
    return MemoryExtent(Placed(tag, tag.count), span.first, span.last);
  }

  bool CountsWords(const Tag& tag) const {
    return TypeOf(ReadPlc(tag)) != kPlcTypeS7 && !IsInputsOutputs(tag);
  }

  int RequestsAlone(const Tag& tag) const {
    Span span;
    if (tag.kind == zan::kKindStatus || !Extent(tag, span)) return 0;
    const int units = span.last - span.first + 1;
    return RequestsFor(CountsWords(tag) ? 2 * units : units, AnswerBytes(ReadPlc(tag)));
  }

 private:
  const PlanInput& input_;
  std::map<int, PlanPlc> plcs_;
  std::vector<int> answerBytes_;
};

// A cache-block tag of the file: the slot it claims.
struct FileBlock {
  int tag = 0;
  int plc = 0;
  int dataBlock = 0;
  Span bytes;
};

// The tags of one data block of one S7 PLC that blocks may serve, and what no block may hold.
struct BlockGroup {
  std::vector<int> tags;
  std::vector<Span> spans;
  std::vector<Span> heartbeats;
};

// The tags of one data block and one kind of an S5 or a PLC of type 6, in value units.
struct RunGroup {
  std::vector<int> tags;
  std::vector<Span> spans;
};

using GroupKey = std::tuple<int, int, int>;  // PLC, data block, kind (0 for blocks)

std::string BlockText(int plc, int dataBlock, int start, int length, bool longDb) {
  char text[64];
  std::snprintf(text, sizeof text, longDb ? "%02dTB%04d%04d%04d" : "%02dTB%03d%04d%04d", plc,
                dataBlock, start, length);
  return text;
}

int32_t RunHostType(int32_t kind) {
  if (zan::IsFloatKind(kind)) return kHostFloat;
  return kind == zan::kKindDoubleWord || kind == zan::kKindDoubleWordHalf ? kHostDword : kHostWord;
}

// The kinds whose ReadBlock reads a run of values (bytes on an S7 only, floats at odd bytes with
// FLOAT_ODD_ADDRESS); a bit tag's word is read as a word.
bool TakesRun(const Tag& tag) {
  switch (tag.kind) {
    case zan::kKindWord:
    case zan::kKindWordOddByte:
    case zan::kKindByte:
    case zan::kKindDoubleWord:
    case zan::kKindDoubleWordHalf:
    case zan::kKindFloat:
    case zan::kKindFloatHalf:
    case zan::kKindFloatOddByte:
    case zan::kKindFloatOddByteHalf:
      return true;
    default:
      return false;
  }
}

class Planner {
 public:
  explicit Planner(const PlanInput& input) : input_(input), context_(input) {}

  ReadPlan Make() {
    plan_.on = input_.on;
    plan_.plcs = input_.plcs;
    plan_.readOf.assign(input_.tags.size(), -1);
    plan_.requestsAlone.assign(input_.tags.size(), 0);
    plan_.answerBytes = context_.answerBytes();
    FindFileBlocks();
    for (int i = 0; i < static_cast<int>(input_.tags.size()); ++i) {
      if (!Defined(i)) continue;
      plan_.requestsAlone[i] =
          FileBlockOf(i) != nullptr ? 0 : context_.RequestsAlone(input_.tags[i]);
      plan_.tagByTag += plan_.requestsAlone[i];
      Classify(i);
    }
    PlanBlocks();
    // The tags of S7 data blocks that got no cache slot may still share runs of one kind, which
    // take none.
    for (const auto& [tag, reason] : reasons_) {
      if (reason == AloneReason::kNoSlot && plan_.readOf[tag] < 0 && TakesRun(input_.tags[tag]))
        AddToRuns(tag);
    }
    PlanRuns();
    for (int i = 0; i < static_cast<int>(input_.tags.size()); ++i) {
      const auto reason = reasons_.find(i);
      if (reason == reasons_.end() || plan_.readOf[i] >= 0) continue;
      AloneTag tag;
      tag.tag = i;
      tag.reason = reason->second;
      tag.requests = plan_.requestsAlone[i];
      if (const FileBlock* block = FileBlockOf(i)) tag.detail = input_.tags[block->tag].name;
      plan_.alone.push_back(tag);
    }
    for (const PlannedRead& read : plan_.reads)
      plan_.requests += read.requests;
    for (const AloneTag& tag : plan_.alone)
      plan_.requests += tag.requests;
    return plan_;
  }

 private:
  bool Defined(int i) const {
    return i < static_cast<int>(input_.defined.size()) && input_.defined[i];
  }

  void FindFileBlocks() {
    for (int i = 0; i < static_cast<int>(input_.tags.size()); ++i) {
      const Tag& tag = input_.tags[i];
      FileBlock block;
      if (!Defined(i) || tag.kind != zan::kKindCacheBlock || !context_.Extent(tag, block.bytes))
        continue;
      block.tag = i;
      block.plc = tag.plc;
      block.dataBlock = static_cast<int>(static_cast<uint32_t>(tag.address) >> 16);
      fileBlocks_.push_back(block);
    }
    plan_.fileBlocks = static_cast<int>(fileBlocks_.size());
  }

  // The file's cache-block tag whose slot the driver serves the tag from (the first that holds all
  // of it), or nullptr.
  const FileBlock* FileBlockOf(int i) const {
    const Tag& tag = input_.tags[i];
    Span span;
    if (tag.kind == zan::kKindCacheBlock || IsInputsOutputs(tag) || IsHeartbeat(tag) ||
        !context_.Extent(tag, span)) {
      return nullptr;
    }
    for (const FileBlock& block : fileBlocks_) {
      if (block.plc == tag.plc && block.dataBlock == DataBlock(tag) &&
          span.first >= block.bytes.first && span.last <= block.bytes.last) {
        return &block;
      }
    }
    return nullptr;
  }

  static int DataBlock(const Tag& tag) {
    return static_cast<int>(static_cast<uint32_t>(tag.address) >> 16);
  }

  void Classify(int i) {
    const Tag& tag = input_.tags[i];
    const auto alone = [&](AloneReason reason) { reasons_[i] = reason; };
    if (tag.kind == zan::kKindStatus) return alone(AloneReason::kStatus);
    if (IsHeartbeat(tag)) {
      Span span;
      if (input_.on && context_.Extent(tag, span))
        blockGroups_[GroupKey{context_.ReadPlc(tag), DataBlock(tag), 0}].heartbeats.push_back(span);
      return alone(AloneReason::kHeartbeat);
    }
    if (!input_.on) return alone(AloneReason::kPlanOff);
    if (IsInputsOutputs(tag)) return alone(AloneReason::kInputsOutputs);
    if (tag.kind == zan::kKindCacheBlock) return alone(AloneReason::kCacheBlockTag);
    if (FileBlockOf(i) != nullptr) return alone(AloneReason::kFileBlock);
    Span span;
    if (!context_.Extent(tag, span)) return alone(AloneReason::kNoNeighbour);
    const PlanPlc* plc = context_.Plc(tag.plc);
    const uint8_t type = context_.TypeOf(tag.plc);
    if (type == kPlcTypeS7) {
      if (plc != nullptr && plc->backup != 0 && context_.TypeOf(plc->backup) != kPlcTypeS7)
        return alone(AloneReason::kMixedPair);
      if (span.last - span.first + 1 > kCacheBlockBytes)
        return alone(AloneReason::kLongerThanBlock);
      if (span.first > kCacheAddressMaxStart) return alone(AloneReason::kPastCacheAddress);
      BlockGroup& group = blockGroups_[GroupKey{tag.plc, DataBlock(tag), 0}];
      group.tags.push_back(i);
      group.spans.push_back(span);
      return alone(AloneReason::kNoNeighbour);
    }
    if (!TakesRun(tag)) return alone(AloneReason::kNoRun);
    AddToRuns(i);
    alone(AloneReason::kNoNeighbour);
  }

  // A run reads `count` values of one kind from the tag's offset, in the units of the kind.
  void AddToRuns(int i) {
    const Tag& tag = input_.tags[i];
    RunGroup& group = runGroups_[GroupKey{tag.plc, DataBlock(tag), tag.kind}];
    const int offset = tag.address & 0xFFFF;
    group.tags.push_back(i);
    group.spans.push_back(Span{offset, offset + std::max(1, tag.count) - 1});
  }

  GroupingRules BlockRules(const GroupKey& key, const BlockGroup& group, double slotPrice) const {
    GroupingRules rules;
    rules.maxUnits = kCacheBlockBytes;
    rules.maxStart = kCacheAddressMaxStart;
    rules.unitBytes = 1;
    rules.answerBytes = context_.AnswerBytes(std::get<0>(key));
    rules.groupPenalty = slotPrice;
    rules.forbidden = group.heartbeats;
    return rules;
  }

  // Every data block's blocks at one price of a slot; how many slots they take.
  int BlocksAt(double slotPrice, std::map<GroupKey, SpanGroups>& found) const {
    int blocks = 0;
    found.clear();
    for (const auto& [key, group] : blockGroups_) {
      if (group.tags.empty()) continue;
      SpanGroups groups = GroupSpans(group.spans, BlockRules(key, group, slotPrice));
      blocks += static_cast<int>(groups.groups.size());
      found[key] = std::move(groups);
    }
    return blocks;
  }

  void PlanBlocks() {
    const int slots = std::max(0, input_.slots - plan_.fileBlocks);
    std::map<GroupKey, SpanGroups> found;
    std::map<GroupKey, SpanGroups> free;
    // First as if slots cost nothing; when that wants more than there are, a slot gets a price
    // that only the blocks saving the most requests are worth.
    const int wanted = BlocksAt(0, free);
    found = free;
    if (wanted > slots) {
      double low = 0;
      double high = 1;
      while (high < kSlotPriceLimit && BlocksAt(high, found) > slots)
        high *= 2;
      for (int step = 0; step < kSlotPriceSteps; ++step) {
        const double middle = (low + high) / 2;
        if (BlocksAt(middle, found) > slots) {
          low = middle;
        } else {
          high = middle;
        }
      }
      if (BlocksAt(high, found) > slots) BlocksAt(kSlotPriceLimit * 2, found);
      FillSlots(low, slots, found);
      // A tag that a block served while slots cost nothing lacks a slot now.
      for (const auto& [key, groups] : free) {
        for (const std::vector<int>& group : groups.groups) {
          for (const int member : group)
            reasons_[blockGroups_.at(key).tags[member]] = AloneReason::kNoSlot;
        }
      }
    }
    for (const auto& [key, groups] : found) {
      const BlockGroup& group = blockGroups_.at(key);
      for (const std::vector<int>& members : groups.groups)
        AddBlock(key, group, members);
    }
  }

  // The slots that the price left free go to the data blocks that save the most with the blocks
  // of a lower price, where many of them were worth the same: their price came just between.
  void FillSlots(double lowPrice, int slots, std::map<GroupKey, SpanGroups>& found) const {
    std::map<GroupKey, SpanGroups> more;
    BlocksAt(lowPrice, more);
    int used = 0;
    for (const auto& [key, groups] : found)
      used += static_cast<int>(groups.groups.size());
    struct Upgrade {
      GroupKey key;
      int slots;
      double saves;
    };
    std::vector<Upgrade> upgrades;
    for (const auto& [key, groups] : more) {
      const SpanGroups& now = found.at(key);
      const int extra = static_cast<int>(groups.groups.size() - now.groups.size());
      if (extra > 0 && now.readCost > groups.readCost)
        upgrades.push_back(Upgrade{key, extra, now.readCost - groups.readCost});
    }
    std::stable_sort(upgrades.begin(), upgrades.end(), [](const Upgrade& a, const Upgrade& b) {
      return a.saves / a.slots > b.saves / b.slots;
    });
    for (const Upgrade& upgrade : upgrades) {
      if (used + upgrade.slots > slots) continue;
      used += upgrade.slots;
      found[upgrade.key] = more.at(upgrade.key);
    }
  }

  // From the first unit of the members to their last; the first member is the first to start.
  static Span Whole(const std::vector<Span>& spans, const std::vector<int>& members) {
    Span whole = spans[members.front()];
    for (const int member : members)
      whole.last = std::max(whole.last, spans[member].last);
    return whole;
  }

  void AddBlock(const GroupKey& key, const BlockGroup& group, const std::vector<int>& members) {
    PlannedRead read;
    read.block = true;
    read.plc = std::get<0>(key);
    read.dataBlock = std::get<1>(key);
    const Span whole = Whole(group.spans, members);
    read.start = whole.first;
    read.length = whole.last - whole.first + 1;
    read.bytes = read.length;
    read.requests = RequestsFor(read.bytes, context_.AnswerBytes(read.plc));
    read.tag.text = BlockText(read.plc, read.dataBlock, read.start, read.length, input_.longDb);
    read.tag.name = read.tag.text;
    read.tag.hostType = kHostWord;
    for (const int member : members)
      read.members.push_back(PlannedRead::Member{group.tags[member], 0});
    Add(read);
  }

  void PlanRuns() {
    for (const auto& [key, group] : runGroups_) {
      const int32_t kind = std::get<2>(key);
      GroupingRules rules;
      rules.maxUnits =
          kind == zan::kKindFloat || kind == zan::kKindFloatHalf || kind == zan::kKindDoubleWord
              ? kRunWideValuesMax
              : kRunValuesMax;
      rules.maxStart = INT32_MAX;
      rules.unitBytes = zan::ValueBytes(zan::LayoutOfKind(kind));
      rules.answerBytes = context_.AnswerBytes(std::get<0>(key));
      for (const std::vector<int>& members : GroupSpans(group.spans, rules).groups)
        AddRun(key, group, members, rules);
    }
  }

  void AddRun(const GroupKey& key, const RunGroup& group, const std::vector<int>& members,
              const GroupingRules& rules) {
    PlannedRead read;
    read.block = false;
    read.plc = std::get<0>(key);
    read.dataBlock = std::get<1>(key);
    const Span whole = Whole(group.spans, members);
    const int first = whole.first;
    const int last = whole.last;
    const Tag& leader = input_.tags[group.tags[members.front()]];
    // The leader's own address, without a bit number: a run of its kind from its first value.
    read.tag.text = leader.text.substr(0, input_.longDb ? 12 : 11);
    read.tag.name = read.tag.text;
    read.tag.hostType = RunHostType(leader.kind);
    read.tag.count = last - first + 1;
    read.tag.plc = leader.plc;
    read.tag.kind = leader.kind;
    read.tag.address = (leader.address & ~0xFFFF) | first;
    Span span;
    context_.Extent(read.tag, span);
    read.start = span.first;
    read.length = span.last - span.first + 1;
    read.bytes = read.tag.count * rules.unitBytes;
    read.requests = RequestsFor(read.bytes, rules.answerBytes);
    for (const int member : members) {
      read.members.push_back(
          PlannedRead::Member{group.tags[member], group.spans[member].first - first});
    }
    Add(read);
  }

  void Add(const PlannedRead& read) {
    for (const PlannedRead::Member& member : read.members)
      plan_.readOf[member.tag] = static_cast<int>(plan_.reads.size());
    plan_.reads.push_back(read);
  }

  const PlanInput& input_;
  PlanContext context_;
  ReadPlan plan_;
  std::vector<FileBlock> fileBlocks_;
  std::map<int, AloneReason> reasons_;
  std::map<GroupKey, BlockGroup> blockGroups_;
  std::map<GroupKey, RunGroup> runGroups_;
};

}  // namespace

ReadPlan MakeReadPlan(const PlanInput& input) {
  return Planner(input).Make();
}

std::string AloneWords(AloneReason reason) {
  switch (reason) {
    case AloneReason::kPlanOff:
      return "no plan (--plan off)";
    case AloneReason::kStatus:
      return "a status tag: the driver answers it without a request";
    case AloneReason::kHeartbeat:
      return "a heartbeat word: read first in every round, never from a block, so that each read "
             "reaches the PLC";
    case AloneReason::kInputsOutputs:
      return "inputs, outputs and flags: the driver serves them from no cache block";
    case AloneReason::kCacheBlockTag:
      return "a cache-block tag of the tag file: read as written, with the plan's blocks";
    case AloneReason::kFileBlock:
      return "held by a cache-block tag of the tag file, which serves it as written";
    case AloneReason::kNoNeighbour:
      return "no neighbour near enough to share a request";
    case AloneReason::kNoSlot:
      return "the driver's 100 cache slots are taken";
    case AloneReason::kPastCacheAddress:
      return "beyond byte 9999, which a cache-block address cannot name";
    case AloneReason::kLongerThanBlock:
      return "longer than a cache block (1000 bytes)";
    case AloneReason::kMixedPair:
      return "its PLC's backup is of another type, on which a block would read other memory";
    case AloneReason::kNoRun:
      return "the driver reads no run of this kind on an S5 or a PLC of type 6";
    case AloneReason::kGivenUp:
      return "the PLC refused its block or run, so it is read on its own";
    case AloneReason::kPlanRefused:
      return "the driver refused the plan's read of it";
  }
  return "";
}

}  // namespace zanhost

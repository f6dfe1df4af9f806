// Rounds read by the plan (plan/read_plan.h), for poll, bridge and bench alike. A round reads:
//   1. the heartbeat tags, so that a pair has settled on the member that serves before any block
//      is read (a block read while the backup served holds the backup's memory under the master's
//      number: once the master serves again, no tag may meet it);
//   2. every block of the plan and every cache-block tag of the table (the tag file's own), then
//      every run of the plan;
//   3. the tags that the blocks and runs serve: a run's values are handed out, a block's tags are
//      read from the driver, which serves them from the block without a request;
//   4. every other tag, in the table's order.
// So every value comes from a read of this round. Without a plan (`on` false) a round reads every
// tag in the table's order, as a host without a plan does.
//
// A block whose read failed leaves its slot without valid data: the driver would answer each read
// it holds with 1 ("no valid data in cache") without asking the PLC, and store that 1 as the PLC's
// link state over the 2 of the failed read, which would hide a broken link from the warm starts
// for good. The reads that the driver would serve from such a block (the member of a pair that
// serves decides, as the switchover does), tags and runs alike, therefore get the block's own
// result and cause, without a request: a block of the plan or a cache-block tag of the table, whose
// latest read counts (this round's, with a plan; without one, in the table's order, a tag listed
// before its cache-block tag meets the block's read of the round before). A block or run of the
// plan that the PLC refuses (a data block shorter than the tags reach, say) is given up: its tags
// are read on their own from then on, in the same round already; a given-up block's slot is
// parked (defined again with no bytes), so that it holds no tag. The table's own cache-block tags
// are read as written, refused or not.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_PLAN_ROUNDS_H_
#define ZAN_TOOLS_ZANHOST_PLAN_PLAN_ROUNDS_H_

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "plan/plan_driver.h"
#include "plan/read_plan.h"
#include "session/host_session.h"
#include "tags/tag_values.h"

namespace zanhost {

// What a read of one tag gave.
struct TagRead {
  int32_t result = -1;
  int32_t servedBy = 0;
  std::vector<TagValue> values;  // empty unless the read returned 0
  std::string failure;           // why it failed, in words; "" when done or nothing is known
  std::string outcome;           // a word for the result where the driver's would mislead
  // Why a read that returned 0 placed no value (a heartbeat tag that only reconnected its PLC);
  // "" when it placed one.
  std::string unread;
};

// A cache slot as the driver holds it: PLC, data block, first byte, bytes.
struct SlotUse {
  int plc = 0;
  int dataBlock = 0;
  int start = 0;
  int length = 0;
  bool operator==(const SlotUse& other) const = default;
};

// The PLC that the driver's switchover sends a request of a tag of PLC `plc` to: the backup while
// the master fails and the backup does not, none (-1) while both fail.
int ServingPlc(const DriverState& state, int plc);

// The slots that the instance holds, in slot order (the order in which the driver looks them up).
std::vector<SlotUse> HeldSlots(const DriverState& state);

class PlanRounds {
 public:
  using Take = std::function<void(int tag, const TagRead& read)>;

  explicit PlanRounds(PlanDriver& driver) : driver_(driver) {}

  // The PDU sizes that a plan is made for: those that the driver's connections tell now, or those
  // that the current plan was made for (a reload that keeps the instance keeps its blocks, which a
  // PDU learnt since, of a PLC that was down at the start say, would move).
  enum class Pdus { kNow, kAsPlanned };

  // The plan of `tags` (the table's, in order; those that `defined` marks false are never read) on
  // the driver's PLC table, without defining anything.
  ReadPlan Plan(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on,
                Pdus pdus = Pdus::kNow) const;

  // The slots that the file's cache-block tags and then the blocks of `plan` claim, in that order.
  static std::vector<SlotUse> SlotsOf(const std::vector<Tag>& tags,
                                      const std::vector<bool>& defined, const ReadPlan& plan);

  // Plans the tags (copies are kept) and defines the plan's own tags with the driver. A block that
  // was defined before keeps its tag id, and so its slot; the driver forgets the plan's own tags
  // that the new plan no longer has (PlanDriver::ForgetTag). A read whose tag the driver refuses
  // leaves its tags to be read alone.
  void Prepare(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on,
               Pdus pdus = Pdus::kNow);

  // One round; `take` gets each defined tag's read, `between` runs after every request to the
  // driver (a bridge serves its broker there).
  void Round(const Take& take, const std::function<void()>& between = {});

  // A read of one tag outside the rounds (the read back of a write): the block (of the plan or a
  // cache-block tag of the table) and the run that serve it are read first, so that the value is
  // as fresh as a read of its own.
  TagRead ReadNow(int tag);

  const ReadPlan& plan() const { return plan_; }

  // What happened to the plan since the last call, one line each: a block or run that the PLC
  // refused and that was given up.
  std::vector<std::string> TakeNotes();

 private:
  struct ReadState {
    // The plan's reads: in this round, or since the last ReadNow. The table's cache-block tags:
    // ever (their latest read counts).
    bool read = false;
    int32_t result = -1;
    int32_t servedBy = 0;
    ReadFailure failure;
    ValueBuffer values{1};  // a run's
    bool byBlock = false;   // a run that shares the failure of the block that holds it
  };
  // A cache-block tag of the table: `tag` its index.
  struct FileBlock {
    int tag = 0;
    ReadState state;
  };
  // A block that the driver may serve a read from: a read of the plan or a cache-block tag of the
  // table (an index into fileBlocks_); neither when both are -1.
  struct BlockRef {
    int planned = -1;
    int file = -1;
  };

  PlanInput InputOf(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on,
                    Pdus pdus) const;
  void DefinePlanTags();
  void Demote(int read, AloneReason reason);
  void ReadPlanned(int read);
  // Reads a planned read; false when the PLC refused it and it was given up.
  bool Refresh(int read);
  void GiveUp(int read);
  // Reads a cache-block tag of the table and keeps its outcome for the tags it holds.
  TagRead ReadFileBlock(int file);
  TagRead Serve(int tag);
  TagRead ReadAlone(int tag);
  TagRead FromFailedRead(int read) const;
  // The block that the driver would serve a read of `tag` from, on the PLC that serves it.
  BlockRef CoveringBlock(const Tag& tag) const;
  // Whether the latest read of the block failed (never for none).
  bool Failed(const BlockRef& block) const;
  // The outcome of a read that the failed block would have answered.
  TagRead FromFailedBlock(const BlockRef& block) const;
  // The index of the tag among fileBlocks_, -1 for none.
  int FileBlockOf(int tag) const;
  // "data block 10, bytes 0 to 399 of PLC 1".
  std::string ReadPlace(const PlannedRead& read) const;

  PlanDriver& driver_;
  std::vector<Tag> tags_;
  std::vector<bool> defined_;
  ReadPlan plan_;
  std::vector<ReadState> states_;
  std::vector<FileBlock> fileBlocks_;
  std::map<std::string, int32_t> blockIds_;  // tag ids of the plan's blocks, by address
  std::vector<int32_t> ownIds_;              // tag ids of all the plan's own tags
  std::vector<std::string> notes_;
  std::function<void()> between_;
};

// The slot that a cache-block tag as the driver parsed it claims (its length stands in the last
// four characters of its address).
SlotUse SlotOfBlockTag(const Tag& tag);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_PLAN_ROUNDS_H_

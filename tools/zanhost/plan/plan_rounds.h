// Rounds read by the plan (plan/read_plan.h), for poll, bridge and bench alike. A round reads:
//   1. the heartbeat tags, so that a pair has settled on the member that serves before any block
//      is read (a block read while the backup served holds the backup's memory under the master's
//      number: once the master serves again, no tag may meet it);
//   2. every block and run of the plan;
//   3. the tags that the blocks and runs serve: a run's values are handed out, a block's tags are
//      read from the driver, which serves them from the block without a request;
//   4. every other tag, in the table's order.
// So every value comes from a read of this round. Without a plan (`on` false) a round reads every
// tag in the table's order, as a host without a plan does.
//
// A block whose read failed leaves its slot without valid data: the driver would answer each of
// its tags with 1 ("no valid data in cache") without asking the PLC, and store that 1 as the PLC's
// link state over the 2 of the failed read, which would hide a broken link from the warm starts.
// The tags that the driver would serve from such a block (the member of a pair that serves
// decides, as the switchover does) therefore get the block's own result and cause, without a
// request. A block or run that the PLC refuses (a data block shorter than the tags reach, say) is
// given up: its tags are read on their own from then on, in the same round already; a given-up
// block's slot is parked (defined again with no bytes), so that it holds no tag.
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

  // The plan of `tags` (the table's, in order; those that `defined` marks false are never read) on
  // the driver's PLC table, without defining anything.
  ReadPlan Plan(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on) const;

  // The slots that the file's cache-block tags and then the blocks of `plan` claim, in that order.
  static std::vector<SlotUse> SlotsOf(const std::vector<Tag>& tags,
                                      const std::vector<bool>& defined, const ReadPlan& plan);

  // Plans the tags (copies are kept) and defines the plan's own tags with the driver. A block that
  // was defined before keeps its tag id, and so its slot. A read whose tag the driver refuses
  // leaves its tags to be read alone.
  void Prepare(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on);

  // One round; `take` gets each defined tag's read, `between` runs after every request to the
  // driver (a bridge serves its broker there).
  void Round(const Take& take, const std::function<void()>& between = {});

  // A read of one tag outside the rounds (the read back of a write): the block or run that serves
  // it is read first, so that the value is as fresh as a read of its own.
  TagRead ReadNow(int tag);

  const ReadPlan& plan() const { return plan_; }

  // What happened to the plan since the last call, one line each: a block or run that the PLC
  // refused and that was given up.
  std::vector<std::string> TakeNotes();

 private:
  struct ReadState {
    bool read = false;  // in this round, or since the last ReadNow
    int32_t result = -1;
    int32_t servedBy = 0;
    ReadFailure failure;
    ValueBuffer values{1};  // a run's
  };

  PlanInput InputOf(const std::vector<Tag>& tags, const std::vector<bool>& defined, bool on) const;
  void DefinePlanTags();
  void Demote(int read, AloneReason reason);
  void ReadPlanned(int read);
  // Reads a planned read; false when the PLC refused it and it was given up.
  bool Refresh(int read);
  void GiveUp(int read);
  TagRead Serve(int tag, bool fresh);
  TagRead ReadAlone(int tag);
  TagRead FromFailedRead(int read) const;
  int PlannedReadAt(int slot) const;
  // "data block 10, bytes 0 to 399 of PLC 1".
  std::string ReadPlace(const PlannedRead& read) const;

  PlanDriver& driver_;
  std::vector<Tag> tags_;
  std::vector<bool> defined_;
  ReadPlan plan_;
  std::vector<ReadState> states_;
  std::map<std::string, int32_t> blockIds_;  // tag ids of the blocks defined so far, by address
  std::vector<std::string> notes_;
  std::function<void()> between_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_PLAN_ROUNDS_H_

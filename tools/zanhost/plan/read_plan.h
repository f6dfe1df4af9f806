// The read plan: how a round reads the tags of a tag file in as few requests as the PLCs can
// answer, on the driver's own mechanisms. Pure logic, from the tags as the driver parsed them and
// the PLC table; nothing here talks to the driver (plan/plan_rounds.h carries a plan out).
//
// - On an S7, the data-block tags of one data block are grouped into cache blocks: a cache-block
//   tag that zanhost defines ("01TB01000000400", at most 1000 bytes) and reads first in every
//   round; the driver then serves the tags inside it from the block without a request of their
//   own. Neighbours are merged while the gap costs less than the requests it saves
//   (plan/request_cost.h). The blocks stay within the driver's 100 cache slots, after the slots of
//   the file's own cache-block tags, which keep working as written: a tag that one of them holds is
//   served by it as before and left out of the plan. Tags that get no slot share runs (below)
//   where they can.
// - On an S5 and a PLC of type 6, which take no cache blocks, tags of one data block and one kind
//   (words, double words at even or odd words, floats) are grouped into runs: one ReadBlock of as
//   many values as reach from the first to the last, whose values zanhost hands out to the tags.
// - Everything else is read alone, as without a plan: status tags (no request), heartbeat tags
//   (first in every round, and never inside a block: a heartbeat must reach the PLC each time),
//   inputs, outputs and flags (never served from a cache block), cache-block tags of the file
//   (which the rounds read with the plan's blocks), strings of an S5 or a PLC of type 6 (no run),
//   and a tag that no neighbour joins.
//
// A master/backup pair: the driver keys cache slots by PLC number and moves a request to the backup
// by changing its PLC. A block of the master serves its tags while the master serves; while the
// backup does, they miss the master's block and are read from the backup one by one. A run is read
// from whichever member serves, like any tag. A pair whose members are of different types reads
// its tags alone.
#ifndef ZAN_TOOLS_ZANHOST_PLAN_READ_PLAN_H_
#define ZAN_TOOLS_ZANHOST_PLAN_READ_PLAN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/driver_state.h"
#include "session/host_session.h"

namespace zanhost {

// A configured PLC as the plan needs it.
struct PlanPlc {
  int number = 0;
  uint8_t type = kPlcTypeS7;
  int backup = 0;    // 0: none
  int pduBytes = 0;  // the PDU it granted; 0: not known (request_cost.h)
};

struct PlanInput {
  std::vector<Tag> tags;      // the table's tags, in order
  std::vector<bool> defined;  // whether the driver took each (the others are left out)
  std::vector<PlanPlc> plcs;
  bool longDb = false;
  int slots = kCacheBlockCount;  // cache slots of the instance
  bool on = true;                // false: every tag alone, as a host without a plan reads
};

// Why a tag is read alone.
enum class AloneReason {
  kPlanOff,
  kStatus,            // no request
  kHeartbeat,         // first in every round, never from a block
  kInputsOutputs,     // inputs, outputs, flags
  kCacheBlockTag,     // the file's own
  kFileBlock,         // a cache-block tag of the file serves it (no request)
  kNoNeighbour,       // nothing worth a group near it
  kNoSlot,            // the cache slots are used up
  kPastCacheAddress,  // beyond byte 9999 (a cache-block address names its first byte in 4 digits)
  kLongerThanBlock,   // more than a cache block holds
  kMixedPair,         // a pair of PLCs of different types
  kNoRun,             // an S5 or type-6 kind that the driver reads no run of (strings)
  kGivenUp,           // its block or run was refused by the PLC (plan_rounds.h)
  kPlanRefused,       // the driver refused the plan's tag for its block or run (plan_rounds.h)
};

struct AloneTag {
  int tag = 0;
  AloneReason reason = AloneReason::kNoNeighbour;
  int requests = 0;    // a round
  std::string detail;  // the name of the file's cache-block tag that serves it (kFileBlock)
};

// One read of the plan: a cache block or a run.
struct PlannedRead {
  struct Member {
    int tag = 0;
    int firstValue = 0;  // a run: where the tag's values begin among the run's
  };
  bool block = true;  // false: a run
  int plc = 0;
  int dataBlock = 0;
  // A block: its first byte and its bytes. A run: the record's first unit and its length in units
  // (bytes on an S7, data words on the other types), as the driver asks the PLC.
  int start = 0;
  int length = 0;
  Tag tag;  // what the driver reads: the cache-block tag, or the run's first tag with its count
  std::vector<Member> members;
  int requests = 0;  // a round
  int bytes = 0;     // that the reads carry
};

struct ReadPlan {
  bool on = true;
  std::vector<PlanPlc> plcs;  // as planned for
  std::vector<PlannedRead> reads;
  std::vector<AloneTag> alone;     // in tag order
  std::vector<int> readOf;         // for each tag: the index of its read in `reads`, or -1
  std::vector<int> requestsAlone;  // for each tag: the requests of a read of it alone
  std::vector<int> answerBytes;    // for each PLC number: of one read answer (request_cost.h)
  int requests = 0;                // a round
  int tagByTag = 0;                // a round, each tag read alone as without a plan
  int fileBlocks = 0;              // slots that the file's cache-block tags take
};

ReadPlan MakeReadPlan(const PlanInput& input);

// Why a tag is read alone, in words: "no neighbour near enough to share a request", ...
std::string AloneWords(AloneReason reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PLAN_READ_PLAN_H_

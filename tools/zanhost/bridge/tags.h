// The tags and PLCs that the bridge serves: the tags of the tag file defined with the driver and
// read round by round by the read plan (plan/plan_rounds.h), the status of every PLC of the
// configuration, and the writes that arrive, checked against their tag before the driver sees
// them.
//
// A tag file read again may leave a cache slot of the driver holding memory that nobody refreshes
// any more: a cache-block tag of the file that went or changed, a block of the plan that the new
// plan drops or moves. The driver frees slots only at Init, and serves every tag inside a slot
// from it, valid and frozen. So when the slots that the new file and its plan want do not merely
// extend those the instance holds, the table initialises the instance again, as a host would, and
// defines every tag anew. The plan of a reload that keeps the instance is made for the PDU sizes
// that the current one was made for, so that a PDU learnt since (of a PLC that was down at the
// start) moves no block; a reload that initialises the instance plans for those known then.
//
// Init reads the configuration file again. The rows of the PLCs take what it says of them now; the
// bridge keeps serving the PLCs of its start (their topics, their Sparkplug devices), and a PLC
// that the file no longer configures is no longer warm-started.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_

#include <functional>
#include <string>
#include <vector>

#include "bridge/bridge_driver.h"
#include "bridge/messages.h"
#include "bridge/set_payload.h"
#include "plan/plan_rounds.h"
#include "session/host_session.h"
#include "session/plc_list.h"
#include "tags/tag_file.h"
#include "tags/tag_values.h"

namespace zanhost {

struct BridgeTag {
  TagSpec declared;
  Tag tag;
  bool defined = false;
  int32_t result = -1;  // of the last read; -1 before the first
  std::string outcome;  // the result in a word where the code misleads (RequestNote), else ""
  int32_t servedBy = 0;
  std::string valueJson = "null";  // the last value read, null when the read failed
  std::vector<TagValue> values;    // the same as read; empty when the read failed
  std::string time;                // of the last read
  int64_t timeMs = 0;              // the same in milliseconds since 1970
  // What was last published, and when (seconds, monotonic); "" for never.
  std::string published;
  double publishedAt = 0;
};

struct BridgePlc {
  ListedPlc plc;
  std::string state;         // for its topic (PlcTopicState); "" before the first round
  bool down = false;         // it cannot be reached, and a warm start may bring it back
  bool unreachable = false;  // it cannot serve a request now (down, or waiting for its heartbeat)
  std::string published;     // the state last published, "" for never
};

// The outcome of a write: the driver's result (1 as well when the bridge refused it), the value as
// JSON, and why it was refused or failed ("" when done).
struct SetOutcome {
  int32_t result = 1;
  std::string valueJson = "null";
  std::string reason;
  std::vector<std::string> log;  // the driver's lines of the write
  bool written = false;          // the write went to the driver
};

// What a reload of the tag file changed.
struct TagReload {
  std::vector<BridgeTag> removed;  // as they were
  int added = 0;                   // new names, or tags whose address, type or count changed
  int kept = 0;
  std::vector<BridgeTag> refused;  // of the added, those the driver refused
  bool initialised = false;        // the instance was initialised again (its cache slots changed)
  bool initFailed = false;         // ... and that Init failed
  std::string initError;           // why
  // After an Init: the PLCs that the configuration file configures now, when they are not those
  // of the bridge's start (empty otherwise).
  std::vector<int> configuredPlcs;
};

// Checks that every tag name of the file can be a topic level, once (bridge/messages.h); false with
// one line that names the file and line.
bool CheckTagNames(const std::string& file, const std::vector<TagSpec>& specs, std::string& error);

class BridgeTable {
 public:
  // `plan` false reads the tags one by one, as without a read plan.
  explicit BridgeTable(BridgeDriver& driver, bool plan = true);

  // Defines the tags with the driver, then the read plan's own; a refused tag stays in the table.
  // Returns how many were taken.
  int Define(const std::vector<TagSpec>& specs);

  // Takes the tags of a tag file read again: a tag whose address, type and count stay keeps its
  // state (its rw mark may change); a new or changed one is defined with the driver and read with
  // the next round; the others go away, and the driver forgets them (BridgeDriver::ForgetTag). The
  // tags are planned again; when the cache slots change otherwise than by new ones behind those
  // held, the instance is initialised again first, and the PLCs' states are taken from its table.
  TagReload Reload(const std::vector<TagSpec>& specs);

  // Reads every tag once by the plan; `between` runs after each request to the driver.
  void ReadRound(const std::function<void()>& between = {});
  // Reads one tag now, outside the rounds: as fresh as a read of its own (its block first). A read
  // that placed no value (a heartbeat tag that only reconnected its PLC) leaves the tag as it was:
  // its last value, result and time stay, and nothing new is published for it.
  void Read(BridgeTag& tag);
  // Takes the state of every PLC from the driver's PLC table.
  void UpdatePlcs();

  const ReadPlan& plan() const { return rounds_.plan(); }
  // What changed in the plan since the last call (a block that the PLC refused, given up).
  std::vector<std::string> TakePlanNotes() { return rounds_.TakeNotes(); }

  // Carries out a set message for the tag of that name: all its values, or with `element` 0 or
  // more the one value of that number of a run. Nothing reaches the driver unless the tag exists,
  // is marked rw, was taken by the driver, and the payload fits it (bridge/set_payload.h); a
  // retained message (one the broker kept from earlier) is never carried out (the face clears it
  // from the broker). One value of a run is written as a tag of its own at that value's place
  // (tags/run_element.h): the run's other values are neither read nor written.
  SetOutcome Set(const std::string& name, const std::string& payload, bool retained,
                 int element = kWholeTag);

  BridgeTag* Find(const std::string& name);
  std::vector<BridgeTag>& tags() { return tags_; }
  std::vector<BridgePlc>& plcs() { return plcs_; }
  int refused() const;

  // The PLC a tag topic names: the one that served the last read (the backup after a switchover),
  // the monitored PLC of a status tag, the PLC of a heartbeat tag.
  static int PlcOf(const BridgeTag& tag);

 private:
  // The type of the tag's PLC in the configuration; 0 when unknown.
  int32_t PlcTypeOf(const Tag& tag) const;
  TagShape ShapeOf(const Tag& tag) const;
  // Defines the row's tag; a refused one gets its result and time, and no value.
  bool DefineRow(BridgeTag& row);
  void Replan(PlanRounds::Pdus pdus = PlanRounds::Pdus::kNow);
  // After an Init: the rows of the PLCs take the configuration file's list; returns the PLCs it
  // configures when they are not the rows' (empty otherwise).
  std::vector<int> TakePlcList();
  void Take(BridgeTag& tag, const TagRead& read);

  BridgeDriver& driver_;
  PlanRounds rounds_;
  bool plan_;
  std::vector<BridgeTag> tags_;
  std::vector<BridgePlc> plcs_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_

// The tags and PLCs that the bridge serves: the tags of the tag file defined with the driver and
// read with ReadBlock, the status of every PLC of the configuration, and the writes that arrive,
// checked against their tag before the driver sees them.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_

#include <string>
#include <vector>

#include "bridge/bridge_driver.h"
#include "bridge/messages.h"
#include "bridge/set_payload.h"
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
};

// Checks that every tag name of the file can be a topic level, once (bridge/messages.h); false with
// one line that names the file and line.
bool CheckTagNames(const std::string& file, const std::vector<TagSpec>& specs, std::string& error);

class BridgeTable {
 public:
  explicit BridgeTable(BridgeDriver& driver);

  // Defines the tags with the driver; a refused tag stays in the table. Returns how many were
  // taken.
  int Define(const std::vector<TagSpec>& specs);

  // Takes the tags of a tag file read again: a tag whose address, type and count stay keeps its
  // state (its rw mark may change); a new or changed one is defined with the driver and read with
  // the next round; the others go away.
  TagReload Reload(const std::vector<TagSpec>& specs);

  // Reads one tag now; takes the state of every PLC from the driver's PLC table. A read that
  // placed no value (a heartbeat tag that only reconnected its PLC) leaves the tag as it was: its
  // last value, result and time stay, and nothing new is published for it.
  void Read(BridgeTag& tag);
  void UpdatePlcs();

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

  BridgeDriver& driver_;
  std::vector<BridgeTag> tags_;
  std::vector<BridgePlc> plcs_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_TAGS_H_

// What one round of the poll read, as its recorders (CSV, change filter, summary, report) take it:
// plain values, without the session that read them.
#ifndef ZAN_TOOLS_ZANHOST_POLL_READINGS_H_
#define ZAN_TOOLS_ZANHOST_POLL_READINGS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tags/tag_values.h"

namespace zanhost {

struct TagReading {
  std::string name;
  std::string address;
  std::string type;      // the host type's name
  bool defined = false;  // false: the driver refused the address (`failure` says why)
  int32_t result = -1;   // of the read; -1 when not read
  int32_t servedBy = 0;  // the PLC that answered (256 and above: status and heartbeat tags)
  int32_t plc = 0;       // the PLC the tag names (its master, for a pair)
  int32_t backup = 0;    // that PLC's backup, 0 for none
  std::string failure;   // why the read failed, in words
  std::string outcome;   // the result in a word where the cause calls for another than the
                         // driver's: "not sent" for a request the transport held back,
                         // "unreachable" for a link that failed although the driver returned 1
  std::string unread;    // a read that returned 0 but placed no value: why ("reconnected, no value
                         // read this round"); such a read is neither a value nor a failure
  std::vector<TagValue> values;

  // A value was read.
  bool ok() const { return defined && result == 0 && unread.empty(); }
  // Neither a value nor a failure: a heartbeat read that only reconnected its PLC, say.
  bool noValue() const { return defined && result == 0 && !unread.empty(); }
  // The values as text, separated by blanks; "" when none were read.
  std::string ValueText() const;
  // "done", or the result word (or `outcome`) with the failure: "refused: data block 999 does not
  // exist"; `unread` for a read that placed no value.
  std::string ResultText() const;
};

// A value of a numeric layout as a number (the float layout's real, the others' integer) for the
// summary and the trend; false for a text and for a float that is no finite number, which has no
// place on a scale.
bool PlottedNumber(const TagValue& value, double& number);

struct PlcReading {
  int number = 0;
  int status = -1;   // the value of its status tag; -1 when the read failed
  std::string word;  // its state in words (session/plc_state_words.h)
};

// One round as a whole.
struct PollRound {
  int number = 0;
  int64_t time = 0;  // milliseconds since 1970 (output/wall_time.h), when the round began
  std::vector<TagReading> tags;
  std::vector<PlcReading> plcs;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_POLL_READINGS_H_

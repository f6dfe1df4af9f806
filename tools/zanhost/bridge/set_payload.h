// A write that arrives through the bridge: the payload of a set message, read and checked against
// the tag before anything goes near a PLC. The payload is the value as text (1234, 3.5, true, a
// text for a string tag, "1 2 3" or [1,2,3] for a run) or JSON {"value": ...}. A value must fit the
// tag exactly: a whole number in the range of its type and width, a float within the range of the
// PLC's floats, a text of at most the tag's string length in the PLC's code page, and as many
// values as the tag has. Anything else is refused with a reason; nothing is rounded, cut or
// wrapped.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

// The largest payload a set may have: a run of 1000 values with room to spare.
constexpr std::size_t kMaxSetPayload = 64 * 1024;

// What a written value must fit: the tag as the driver took it.
struct TagShape {
  int32_t hostType = 0;
  int32_t kind = 0;
  int32_t count = 1;
  uint32_t bit = 255;        // 255: no bit number
  int32_t stringLength = 0;  // string tags: the length written in the address
  bool s5 = false;  // the tag's PLC holds S5 floats (an S5 or type 6): they reach about 1.7e38
};

// The values of an accepted set, as zanhost's value texts (EncodeValue takes them), one a value.
struct SetValues {
  std::vector<std::string> texts;
};

// Reads the payload and checks its values against the shape. On success fills `values`; otherwise
// returns false with one line in `reason`. Either way `echo` receives the value as JSON for the
// answer: the value read, the payload as a JSON string when it held none, null when it is no
// UTF-8.
bool ReadSetPayload(const std::string& payload, const TagShape& shape, SetValues& values,
                    std::string& echo, std::string& reason);

// The string length of a string tag's address text: its last two characters, read as the driver
// reads them (leading blanks skipped, digits up to the first other character); 0 when none.
int32_t StringLengthOfAddress(const std::string& address);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_

// A write that arrives through the bridge: the payload of a set message, read and checked against
// the tag before anything goes near a PLC. The payload is the value as text (1234, 3.5, true, a
// text for a string tag, "1 2 3" or [1,2,3] for a run) or JSON {"value": ...}. The tag must take
// writes (no status, heartbeat or cache-block tag), the payload must hold as many values as the tag
// has, and each value must fit the tag exactly, as every writer of zanhost checks it
// (tags/value_check.h). Anything else is refused with a reason; nothing is rounded, cut or
// wrapped.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_

#include <cstdint>
#include <string>
#include <vector>

#include "tags/value_check.h"  // TagShape, and the check of each value

namespace zanhost {

// The largest payload a set may have: a run of 1000 values with room to spare.
constexpr std::size_t kMaxSetPayload = 64 * 1024;

// Whether a payload of `bytes` bytes is within kMaxSetPayload; false with the reason otherwise.
bool SetPayloadFits(std::size_t bytes, std::string& reason);

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

// The payload as JSON for an answer that refuses it before any tag is known to check it against
// (no such tag, a read-only one): the value that it holds as a value of a numeric tag would be read
// (4321, [1,2,3], true, the value of {"value": ...}), else the payload as a JSON string; null when
// it is no UTF-8 or longer than kMaxSetPayload.
std::string PayloadEcho(const std::string& payload);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SET_PAYLOAD_H_

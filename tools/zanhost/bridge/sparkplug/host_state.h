// The STATE message of a Sparkplug B primary host (Sparkplug 3.0): retained on
// spBv1.0/STATE/<host>, JSON {"online": true|false, "timestamp": <ms since 1970, UTC>}. It comes
// from the network, so it is read strictly: `online` a boolean and `timestamp` a whole number of
// milliseconds from 0 to 2^53 (where JSON numbers stop being exact), or the message is not taken.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_HOST_STATE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_HOST_STATE_H_

#include <cstdint>
#include <string>

namespace zanhost {

struct HostState {
  bool online = false;
  uint64_t timestamp = 0;
};

// Reads a STATE payload; false, with the reason, when it is not one.
bool ReadHostState(const std::string& payload, HostState& state, std::string& reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_HOST_STATE_H_

#include "bridge/sparkplug/host_state.h"

#include <cstdlib>

#include "bridge/json_reader.h"

namespace zanhost {

namespace {

constexpr uint64_t kLargestExactMs = uint64_t{1} << 53;

}  // namespace

bool ReadHostState(const std::string& payload, HostState& state, std::string& reason) {
  JsonValue json;
  std::string error;
  if (!ParseJson(payload, json, error)) {
    reason = "no JSON: " + error;
    return false;
  }
  const JsonValue* online = json.Find("online");
  if (online == nullptr || online->type != JsonValue::Type::kBool) {
    reason = "no \"online\": true or false";
    return false;
  }
  const JsonValue* timestamp = json.Find("timestamp");
  // Digits only: no sign, fraction or exponent; read from the text, which the double may round.
  const bool digits = timestamp != nullptr && timestamp->type == JsonValue::Type::kNumber &&
                      timestamp->text.size() <= 16 &&
                      timestamp->text.find_first_not_of("0123456789") == std::string::npos;
  const uint64_t milliseconds = digits ? std::strtoull(timestamp->text.c_str(), nullptr, 10) : 0;
  if (!digits || milliseconds > kLargestExactMs) {
    reason = "no \"timestamp\" in whole milliseconds";
    return false;
  }
  state.online = online->boolean;
  state.timestamp = milliseconds;
  return true;
}

}  // namespace zanhost

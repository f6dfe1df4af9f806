// Sparkplug B payloads where the build found no protobuf (the Windows build): nothing is encoded,
// nothing decoded; the bridge there has no MQTT client either.
#include "bridge/sparkplug/payload.h"

namespace zanhost {

std::string EncodePayload(const SparkplugPayload&) {
  return "";
}

bool DecodePayload(const std::string&, SparkplugPayload&, std::string& error) {
  error = "this build of zanhost has no protobuf";
  return false;
}

bool HasSparkplugSupport() {
  return false;
}

}  // namespace zanhost

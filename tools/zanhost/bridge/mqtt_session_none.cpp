// The MQTT session where the build found no MQTT client library (the Windows build): the bridge
// says so in one line and stops.
#include "bridge/mqtt_session.h"

namespace zanhost {

std::unique_ptr<MqttSession> MakeMqttSession(const MqttSettings&, std::string& error) {
  error =
      "this build of zanhost has no MQTT support; the bridge runs in the Linux build (with "
      "libmosquitto)";
  return nullptr;
}

bool HasMqttSupport() {
  return false;
}

}  // namespace zanhost

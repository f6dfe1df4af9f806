// A connection to an MQTT broker as the bridge uses it, behind a small interface: the bridge and
// its tests never see the client library. bridge/mqtt_session_mosquitto.cpp implements it with
// libmosquitto where the build found that library; bridge/mqtt_session_none.cpp stands in elsewhere
// and says that the build has no MQTT support.
//
// Single-threaded: nothing happens on the network between calls. Service() moves the connection
// along (connecting, sending what is queued, receiving), waiting at most the time given; messages
// that arrive are handed out there.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_MQTT_SESSION_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_MQTT_SESSION_H_

#include <memory>
#include <string>
#include <vector>

namespace zanhost {

constexpr int kDefaultMqttPort = 1883;

struct MqttSettings {
  std::string host = "localhost";
  int port = kDefaultMqttPort;
  std::string clientId;
  std::string username;  // empty: none
  std::string password;  // empty: none
  std::string caFile;    // empty: no TLS
  std::string certFile;  // the client's certificate (mutual TLS); empty: none
  std::string keyFile;   // its private key
  int keepAliveSeconds = 30;
  // The last will, published by the broker when the connection breaks without a clean stop.
  std::string willTopic;
  std::string willPayload;
  int qos = 1;
  bool willRetain = true;
};

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retained = false;  // delivered from the broker's store, not sent just now
};

enum class MqttState {
  kDown,        // no connection; StartConnect() begins one
  kConnecting,  // waiting for the broker's answer
  kConnected,
};

class MqttSession {
 public:
  virtual ~MqttSession() = default;

  // Begins connecting (or reconnecting) without waiting for the broker's answer. False, with the
  // reason in `error`, when even that fails (a name that does not resolve, a refused connection).
  virtual bool StartConnect(std::string& error) = 0;

  // Moves the connection along, waiting at most `milliseconds` for the network; appends the
  // messages that arrived. When the connection failed or broke, the state is kDown afterwards and
  // `error` says why.
  virtual MqttState Service(int milliseconds, std::vector<MqttMessage>& received,
                            std::string& error) = 0;

  // Queues a message; false, with the reason in `error`, when the session cannot take it (not
  // connected, a topic or payload that MQTT does not allow).
  virtual bool Publish(const std::string& topic, const std::string& payload, int qos, bool retain,
                       std::string& error) = 0;
  virtual bool Subscribe(const std::string& pattern, int qos) = 0;

  // The last will of the connections made from now on (the settings' will until then); false,
  // with the reason in `error`, when refused.
  virtual bool SetWill(const std::string& topic, const std::string& payload, int qos, bool retain,
                       std::string& error) = 0;

  // Whether every message published with QoS 1 or 2 since connecting has been acknowledged.
  virtual bool AllDelivered() const = 0;

  // Ends the connection cleanly (the broker then does not publish the last will).
  virtual void Disconnect() = 0;

  virtual MqttState state() const = 0;
};

// A session with these settings; nullptr, with one line in `error`, when this build has no MQTT
// client or the settings are refused (a TLS file that cannot be read).
std::unique_ptr<MqttSession> MakeMqttSession(const MqttSettings& settings, std::string& error);

// Whether this build has an MQTT client.
bool HasMqttSupport();

// Reads "HOST", "HOST:PORT" or "[IPv6]:PORT" into the settings (port 1883 when not given). False
// with the reason otherwise.
bool ParseBrokerAddress(const std::string& text, MqttSettings& settings, std::string& error);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_MQTT_SESSION_H_

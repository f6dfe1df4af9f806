// The MQTT session on libmosquitto, driven from the bridge's own thread: mosquitto_loop() is called
// from Service(), so every callback runs inside it and nothing needs a lock. Connections are made
// with the non-blocking connect, so that a broker that does not answer never stalls the polling
// (only resolving a host name may wait).
#include <mosquitto.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <set>

#include "bridge/mqtt_session.h"
#include "bridge/tls_words.h"

namespace zanhost {

namespace {

// The library's TLS failures: its own code, or the system's "protocol error" that it leaves in
// errno when OpenSSL fails a read or write.
bool IsTlsError(int code) {
  return code == MOSQ_ERR_TLS || (code == MOSQ_ERR_ERRNO && errno == EPROTO);
}

std::string ErrorText(int code) {
  if (code == MOSQ_ERR_ERRNO) return std::strerror(errno);
  return mosquitto_strerror(code);
}

class MosquittoSession : public MqttSession {
 public:
  explicit MosquittoSession(const MqttSettings& settings) : settings_(settings) {
    mosquitto_lib_init();
    // A broker that goes away mid-write must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    client_ = mosquitto_new(settings.clientId.c_str(), true, this);
  }

  ~MosquittoSession() override {
    if (client_ != nullptr) mosquitto_destroy(client_);
    mosquitto_lib_cleanup();
  }

  // Everything that can be refused before connecting.
  bool Configure(std::string& error) {
    if (client_ == nullptr) {
      error = "the MQTT client could not be made (client id \"" + settings_.clientId + "\")";
      return false;
    }
    mosquitto_connect_callback_set(client_, OnConnect);
    mosquitto_disconnect_callback_set(client_, OnDisconnect);
    mosquitto_message_callback_set(client_, OnMessage);
    mosquitto_publish_callback_set(client_, OnPublish);
    // A write's result and the tag read back are small messages sent one after the other; without
    // this the second waits for the broker's acknowledgement of the first (Nagle's algorithm).
    int rc = mosquitto_int_option(client_, MOSQ_OPT_TCP_NODELAY, 1);
    if (rc != MOSQ_ERR_SUCCESS) {
      error = "the MQTT client refuses TCP_NODELAY: " + ErrorText(rc);
      return false;
    }
    if (!settings_.username.empty()) {
      rc = mosquitto_username_pw_set(
          client_, settings_.username.c_str(),
          settings_.password.empty() ? nullptr : settings_.password.c_str());
      if (rc != MOSQ_ERR_SUCCESS) {
        error = "the user name is refused: " + ErrorText(rc);
        return false;
      }
    }
    if (!settings_.willTopic.empty()) {
      rc = mosquitto_will_set(client_, settings_.willTopic.c_str(),
                              static_cast<int>(settings_.willPayload.size()),
                              settings_.willPayload.data(), settings_.qos, settings_.willRetain);
      if (rc != MOSQ_ERR_SUCCESS) {
        error = "the last will is refused: " + ErrorText(rc);
        return false;
      }
    }
    if (!settings_.caFile.empty()) {
      const char* cert = settings_.certFile.empty() ? nullptr : settings_.certFile.c_str();
      const char* key = settings_.keyFile.empty() ? nullptr : settings_.keyFile.c_str();
      rc = mosquitto_tls_set(client_, settings_.caFile.c_str(), nullptr, cert, key, nullptr);
      if (rc != MOSQ_ERR_SUCCESS) {
        error = "TLS with the certificates of " + settings_.caFile +
                (cert != nullptr ? " and the client certificate " + settings_.certFile : "") +
                " is refused: " + ErrorText(rc);
        return false;
      }
      // The library tells why a handshake failed only in its log lines.
      mosquitto_log_callback_set(client_, OnLog);
    }
    return true;
  }

  bool StartConnect(std::string& error) override {
    unacknowledged_.clear();
    tlsLog_.clear();
    const int rc = attempted_ ? mosquitto_reconnect_async(client_)
                              : mosquitto_connect_async(client_, settings_.host.c_str(),
                                                        settings_.port, settings_.keepAliveSeconds);
    attempted_ = attempted_ || rc == MOSQ_ERR_SUCCESS;
    if (rc != MOSQ_ERR_SUCCESS) {
      state_ = MqttState::kDown;
      error = ErrorText(rc);
      // On loopback the handshake may be over before the call returns.
      TlsWords(IsTlsError(rc),
               IsTlsError(rc) || rc == MOSQ_ERR_PROTOCOL || rc == MOSQ_ERR_CONN_LOST, error);
      return false;
    }
    state_ = MqttState::kConnecting;
    return true;
  }

  MqttState Service(int milliseconds, std::vector<MqttMessage>& received,
                    std::string& error) override {
    if (state_ == MqttState::kDown) return state_;
    const bool wasUp = state_ == MqttState::kConnected;
    received_ = &received;
    const int rc = mosquitto_loop(client_, milliseconds, 1);
    received_ = nullptr;
    if (rc != MOSQ_ERR_SUCCESS && state_ != MqttState::kDown) {
      state_ = MqttState::kDown;
      problem_ = ErrorText(rc);
    }
    // A handshake that failed shows as a lost connection as well (the broker's alert comes after
    // the client's part of the handshake).
    if (state_ == MqttState::kDown && !wasUp) TlsWords(IsTlsError(rc), true, problem_);
    if (state_ == MqttState::kDown) error = problem_;
    return state_;
  }

  bool Publish(const std::string& topic, const std::string& payload, int qos, bool retain,
               std::string& error) override {
    if (state_ != MqttState::kConnected) {
      error = "not connected";
      return false;
    }
    int id = 0;
    const int rc = mosquitto_publish(client_, &id, topic.c_str(), static_cast<int>(payload.size()),
                                     payload.data(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
      error = ErrorText(rc);
      return false;
    }
    if (qos > 0) unacknowledged_.insert(id);
    return true;
  }

  bool SetWill(const std::string& topic, const std::string& payload, int qos, bool retain,
               std::string& error) override {
    const int rc = mosquitto_will_set(client_, topic.c_str(), static_cast<int>(payload.size()),
                                      payload.data(), qos, retain);
    if (rc != MOSQ_ERR_SUCCESS) {
      error = "the last will is refused: " + ErrorText(rc);
      return false;
    }
    return true;
  }

  bool Subscribe(const std::string& pattern, int qos) override {
    if (state_ != MqttState::kConnected) return false;
    return mosquitto_subscribe(client_, nullptr, pattern.c_str(), qos) == MOSQ_ERR_SUCCESS;
  }

  bool AllDelivered() const override { return unacknowledged_.empty(); }

  void Disconnect() override {
    if (state_ == MqttState::kDown) return;
    mosquitto_disconnect(client_);
    // Lets the DISCONNECT packet out.
    mosquitto_loop(client_, 0, 1);
    state_ = MqttState::kDown;
  }

  MqttState state() const override { return state_; }

 private:
  static MosquittoSession* Of(void* object) { return static_cast<MosquittoSession*>(object); }

  static void OnConnect(mosquitto*, void* object, int code) {
    MosquittoSession* self = Of(object);
    if (code == 0) {
      self->state_ = MqttState::kConnected;
    } else {
      self->state_ = MqttState::kDown;
      self->problem_ =
          std::string("the broker refused the connection: ") + mosquitto_connack_string(code);
    }
  }

  static void OnDisconnect(mosquitto*, void* object, int code) {
    MosquittoSession* self = Of(object);
    // The bridge's line says whether the connection was lost or never made; this is the cause.
    if (self->state_ != MqttState::kDown && code != 0) self->problem_ = ErrorText(code);
    self->state_ = MqttState::kDown;
  }

  static void OnMessage(mosquitto*, void* object, const mosquitto_message* message) {
    MosquittoSession* self = Of(object);
    if (self->received_ == nullptr || message == nullptr || message->topic == nullptr) return;
    MqttMessage copy;
    copy.topic = message->topic;
    if (message->payload != nullptr && message->payloadlen > 0) {
      copy.payload.assign(static_cast<const char*>(message->payload),
                          static_cast<std::size_t>(message->payloadlen));
    }
    copy.retained = message->retain;
    self->received_->push_back(std::move(copy));
  }

  static void OnPublish(mosquitto*, void* object, int id) { Of(object)->unacknowledged_.erase(id); }

  static void OnLog(mosquitto*, void* object, int level, const char* line) {
    if (line == nullptr || (level & (MOSQ_LOG_ERR | MOSQ_LOG_WARNING)) == 0) return;
    std::vector<std::string>& lines = Of(object)->tlsLog_;
    if (lines.size() < kLogLinesKept) lines.emplace_back(line);
  }

  // Puts the words for a failed TLS handshake into `error`, when TLS is on and something points
  // at it.
  void TlsWords(bool tlsError, bool closedEarly, std::string& error) const {
    if (settings_.caFile.empty()) return;
    const std::string words =
        TlsFailureWords(TlsFailure{tlsError, closedEarly, VerifyResult(), tlsLog_}, settings_);
    if (!words.empty()) error = words;
  }

  // How the broker's certificate was judged in the last handshake (X509_V_OK, 0, when it passed or
  // none was seen).
  long VerifyResult() const {
    auto* ssl = static_cast<SSL*>(mosquitto_ssl_get(client_));
    return ssl != nullptr ? SSL_get_verify_result(ssl) : X509_V_OK;
  }

  static constexpr std::size_t kLogLinesKept = 16;

  MqttSettings settings_;
  mosquitto* client_ = nullptr;
  MqttState state_ = MqttState::kDown;
  bool attempted_ = false;
  std::string problem_;
  std::vector<MqttMessage>* received_ = nullptr;
  std::set<int> unacknowledged_;
  std::vector<std::string> tlsLog_;  // the library's error lines of the current attempt
};

}  // namespace

std::unique_ptr<MqttSession> MakeMqttSession(const MqttSettings& settings, std::string& error) {
  auto session = std::make_unique<MosquittoSession>(settings);
  if (!session->Configure(error)) return nullptr;
  return session;
}

bool HasMqttSupport() {
  return true;
}

}  // namespace zanhost

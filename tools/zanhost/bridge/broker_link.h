// The bridge's link to its broker over an MqttSession: connects, notices a lost connection, and
// connects again after a pause that doubles from 1 s up to 30 s; each connection that comes up
// starts the pauses over. An attempt that brings no answer within kConnectSeconds counts as failed.
// Before each attempt the caller's hook runs (it sets the last will of that connection). The clock
// and the sleep are the caller's, so that the pauses are tried without waiting.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_BROKER_LINK_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_BROKER_LINK_H_

#include <functional>
#include <string>
#include <vector>

#include "bridge/mqtt_session.h"

namespace zanhost {

constexpr double kFirstRetrySeconds = 1;
constexpr double kLongestRetrySeconds = 30;
constexpr double kConnectSeconds = 10;

struct LinkEvent {
  enum class Kind {
    kConnected,  // the connection came up
    kLost,       // a connection that was up broke
    kFailed,     // an attempt to connect failed
  };
  Kind kind = Kind::kConnected;
  std::string reason;  // kLost, kFailed: why
  double retryIn = 0;  // kLost, kFailed: seconds until the next attempt
};

class BrokerLink {
 public:
  using Clock = std::function<double()>;      // seconds, monotonic
  using Sleep = std::function<void(double)>;  // waits that many seconds

  using BeforeAttempt = std::function<void()>;

  BrokerLink(MqttSession& session, Clock clock, Sleep sleep, BeforeAttempt beforeAttempt = {});

  // Moves the link along for at most `seconds`: an attempt when one is due, the session's network
  // work, or the pause until the next attempt. Appends the messages received and what happened.
  void Serve(double seconds, std::vector<MqttMessage>& received, std::vector<LinkEvent>& events);

  // Ends a connection on purpose (a clean disconnect, so no last will) and connects again after
  // the first pause; appends the event that says why.
  void Drop(const std::string& reason, std::vector<LinkEvent>& events);

  bool connected() const { return session_.state() == MqttState::kConnected; }
  // Seconds until the next attempt while waiting for one, else 0.
  double RetryIn() const;
  // Why the link is down ("" while connected or before the first attempt).
  const std::string& problem() const { return problem_; }

 private:
  void Down(const std::string& reason, bool wasUp, std::vector<LinkEvent>& events);

  MqttSession& session_;
  Clock clock_;
  Sleep sleep_;
  BeforeAttempt beforeAttempt_;
  bool up_ = false;         // connected at the last look
  double nextAttempt_ = 0;  // while down
  double attemptStarted_ = 0;
  double pause_ = 0;  // the last pause; 0 before the first failure
  std::string problem_;
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_BROKER_LINK_H_

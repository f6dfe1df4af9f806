#include "bridge/broker_link.h"

#include <algorithm>
#include <cmath>

namespace zanhost {

BrokerLink::BrokerLink(MqttSession& session, Clock clock, Sleep sleep, BeforeAttempt beforeAttempt)
    : session_(session),
      clock_(std::move(clock)),
      sleep_(std::move(sleep)),
      beforeAttempt_(std::move(beforeAttempt)) {}

double BrokerLink::RetryIn() const {
  if (session_.state() != MqttState::kDown) return 0;
  return std::max(0.0, nextAttempt_ - clock_());
}

void BrokerLink::Down(const std::string& reason, bool wasUp, std::vector<LinkEvent>& events) {
  pause_ = wasUp || pause_ == 0 ? kFirstRetrySeconds : std::min(2 * pause_, kLongestRetrySeconds);
  nextAttempt_ = clock_() + pause_;
  up_ = false;
  problem_ = reason;
  LinkEvent event;
  event.kind = wasUp ? LinkEvent::Kind::kLost : LinkEvent::Kind::kFailed;
  event.reason = reason;
  event.retryIn = pause_;
  events.push_back(event);
}

void BrokerLink::Drop(const std::string& reason, std::vector<LinkEvent>& events) {
  const bool wasUp = up_;
  session_.Disconnect();
  pause_ = 0;
  Down(reason, wasUp, events);
}

void BrokerLink::Serve(double seconds, std::vector<MqttMessage>& received,
                       std::vector<LinkEvent>& events) {
  const double now = clock_();
  if (session_.state() == MqttState::kDown) {
    if (now < nextAttempt_) {
      sleep_(std::min(seconds, nextAttempt_ - now));
      return;
    }
    if (beforeAttempt_) beforeAttempt_();
    std::string error;
    if (!session_.StartConnect(error)) {
      Down(error, false, events);
      return;
    }
    attemptStarted_ = now;
  }
  std::string error;
  // Rounded up: a wait of a fraction of a millisecond must not come back at once.
  const int milliseconds = static_cast<int>(std::ceil(std::max(0.0, seconds) * 1000));
  const MqttState state = session_.Service(milliseconds, received, error);
  if (state == MqttState::kDown) {
    Down(error.empty() ? "connection closed" : error, up_, events);
  } else if (state == MqttState::kConnected && !up_) {
    up_ = true;
    pause_ = 0;
    problem_.clear();
    events.push_back(LinkEvent{});
  } else if (state == MqttState::kConnecting && clock_() - attemptStarted_ > kConnectSeconds) {
    session_.Disconnect();
    Down("no answer from the broker within 10 s", false, events);
  }
}

}  // namespace zanhost

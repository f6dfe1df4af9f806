#include "bridge/loop.h"

#include <algorithm>
#include <cstdio>

#include "bridge/messages.h"
#include "output/live_screen.h"
#include "output/result_words.h"

namespace zanhost {

namespace {

constexpr double kSliceSeconds = 0.05;     // the longest wait before Ctrl-C is looked at
constexpr double kServeDuringRound = 0.2;  // a long round lets the broker's link move this often
constexpr double kTerminalRedraw = 0.25;   // the status line on a terminal
constexpr double kOfflineDeliverySeconds = 2;

}  // namespace

Bridge::Bridge(const BridgeSettings& settings, HostSession& session, BridgeTable& table,
               MqttSession& mqtt, BridgeConsole& console)
    : settings_(settings),
      session_(session),
      table_(table),
      mqtt_(mqtt),
      console_(console),
      link_(mqtt, MonotonicSeconds, [](double seconds) { Pause(seconds); }),
      warmStarts_(settings.reconnect) {
  status_.tags = static_cast<int>(table.tags().size());
  status_.refusedTags = table.refused();
}

void Bridge::Run() {
  double nextRound = MonotonicSeconds();
  while (!Interrupted()) {
    if (MonotonicSeconds() >= nextRound) {
      Round();
      nextRound = std::max(nextRound + settings_.interval, MonotonicSeconds());
      ShowStatus(false);
    }
    Serve(std::min(kSliceSeconds, std::max(0.0, nextRound - MonotonicSeconds())));
    HandleMessages();
    ShowStatus(false);
  }
  Stop();
}

void Bridge::Round() {
  const double start = MonotonicSeconds();
  WarmStarts(start);
  for (BridgeTag& tag : table_.tags()) {
    table_.Read(tag);
    // Many tags or slow PLCs make a long round; the broker's link must not starve meanwhile (the
    // writes that arrive wait for the end of the round).
    if (MonotonicSeconds() - lastServed_ > kServeDuringRound) Serve(0);
  }
  table_.UpdatePlcs();
  ShowLog(session_.TakeLog(false));
  ++status_.rounds;
  status_.roundMilliseconds = (MonotonicSeconds() - start) * 1000;
  status_.linksDown = 0;
  for (BridgePlc& plc : table_.plcs()) {
    status_.linksDown += plc.down ? 1 : 0;
    ShowPlc(plc);
    PublishPlc(plc, false);
  }
  status_.warmStart = warmStarts_.Note(true);
  for (BridgeTag& tag : table_.tags())
    PublishTag(tag, false);
}

void Bridge::WarmStarts(double now) {
  // From the last round: before the first one nothing is known, and nothing warm-started.
  std::map<int, bool> down;
  for (const BridgePlc& plc : table_.plcs()) {
    if (!plc.state.empty()) down[plc.plc.number] = plc.down;
  }
  const WarmStartFunction warmStart = [this](int32_t& plc) { return session_.WarmStart(plc); };
  for (const WarmStartOutcome& outcome : WarmStartDue(warmStart, warmStarts_, down, now)) {
    // Every attempt is in the driver's log; an event only when the outcome changes.
    const auto last = lastWarmStart_.find(outcome.plc);
    if (last != lastWarmStart_.end() && last->second == outcome.result) continue;
    lastWarmStart_[outcome.plc] = outcome.result;
    std::string text = "warm start of " + session_.DescribePlc(outcome.plc) + ": " +
                       (outcome.result == kResultDone ? "done" : "no connection restarted");
    if (outcome.result != kResultDone) text += "; " + warmStarts_.Note(true);
    JsonObject json;
    json.Add("event", "warmstart")
        .Add("plc", outcome.plc)
        .Add("restarted", outcome.restarted)
        .Add("result", ResultWord(outcome.result));
    console_.Event(text, json);
  }
  for (const auto& [plc, isDown] : down) {
    if (!isDown) lastWarmStart_.erase(plc);
  }
}

void Bridge::Serve(double seconds) {
  std::vector<LinkEvent> events;
  link_.Serve(seconds, pending_, events);
  lastServed_ = MonotonicSeconds();
  for (const LinkEvent& event : events)
    OnLinkEvent(event);
}

void Bridge::HandleMessages() {
  std::vector<MqttMessage> messages;
  messages.swap(pending_);
  for (const MqttMessage& message : messages) {
    std::string name;
    if (TagOfSetTopic(settings_.prefix, message.topic, name)) OnSet(message, name);
  }
}

void Bridge::OnLinkEvent(const LinkEvent& event) {
  JsonObject json;
  json.Add("event", "broker").Add("broker", settings_.broker);
  if (event.kind == LinkEvent::Kind::kConnected) {
    json.Add("state", "connected");
    console_.Event("broker " + settings_.broker + ": connected", json);
    mqtt_.Subscribe(SetSubscription(settings_.prefix), settings_.qos);
    mqtt_.Publish(StatusTopic(settings_.prefix), kOnline, settings_.qos, true);
    PublishAll();
    return;
  }
  char retry[32];
  std::snprintf(retry, sizeof retry, "%g", event.retryIn);
  const bool lost = event.kind == LinkEvent::Kind::kLost;
  json.Add("state", lost ? "lost" : "failed")
      .Add("reason", event.reason)
      .Add("retryIn", event.retryIn);
  console_.Event("broker " + settings_.broker + ": " +
                     (lost ? "connection lost" : "cannot connect") + " (" + event.reason +
                     "); next attempt in " + retry + " s",
                 json);
}

void Bridge::OnSet(const MqttMessage& message, const std::string& name) {
  const SetOutcome outcome = table_.Set(name, message.payload, message.retained);
  ShowLog(outcome.log);
  if (outcome.result == kResultDone) {
    ++status_.writes;
  } else if (outcome.result == kResultRefused) {
    ++status_.refusedWrites;
  } else {
    ++status_.failedWrites;
  }
  std::string text = "set " + name + " <- " + outcome.valueJson + ": " + ResultWord(outcome.result);
  if (!outcome.reason.empty()) text += " (" + outcome.reason + ")";
  JsonObject json;
  json.Add("event", "set")
      .Add("tag", name)
      .Add("result", ResultWord(outcome.result))
      .AddRaw("value", outcome.valueJson)
      .Add("reason", outcome.reason);
  console_.Event(text, json);
  mqtt_.Publish(ResultTopic(settings_.prefix, name),
                ResultMessage(outcome.result, outcome.valueJson, outcome.reason), settings_.qos,
                false);
  BridgeTag* tag = table_.Find(name);
  if (tag != nullptr && outcome.written) {
    table_.Read(*tag);
    ShowLog(session_.TakeLog(false));
    PublishTag(*tag, true);
  }
}

void Bridge::PublishAll() {
  for (BridgePlc& plc : table_.plcs())
    PublishPlc(plc, true);
  for (BridgeTag& tag : table_.tags())
    PublishTag(tag, true);
}

void Bridge::PublishTag(BridgeTag& tag, bool force) {
  if (!link_.connected() || tag.result < 0) return;
  const int plc = BridgeTable::PlcOf(tag);
  const std::string content =
      tag.valueJson + " " + std::to_string(tag.result) + " " + std::to_string(plc);
  const double now = MonotonicSeconds();
  if (!force && content == tag.published && now - tag.publishedAt < settings_.refresh) return;
  if (mqtt_.Publish(TagTopic(settings_.prefix, tag.spec.name),
                    TagMessage(tag.valueJson, tag.result, plc, tag.time), settings_.qos, true)) {
    tag.published = content;
    tag.publishedAt = now;
  }
}

void Bridge::ShowPlc(BridgePlc& plc) {
  std::string& shown = shownState_[plc.plc.number];
  if (shown == plc.state) return;
  shown = plc.state;
  std::string text = session_.DescribePlc(plc.plc.number) + ": " + plc.state;
  const std::string note = warmStarts_.Note(plc.down);
  if (!note.empty()) text += " (" + note + ")";
  JsonObject json;
  json.Add("event", "plc")
      .Add("plc", plc.plc.number)
      .Add("state", plc.state)
      .Add("address", plc.plc.ipAddress);
  console_.Event(text, json);
}

void Bridge::PublishPlc(BridgePlc& plc, bool force) {
  if (!link_.connected() || plc.state.empty()) return;
  if (!force && plc.state == plc.published) return;
  if (mqtt_.Publish(PlcTopic(settings_.prefix, plc.plc.number),
                    PlcMessage(plc.state, plc.plc.ipAddress), settings_.qos, true)) {
    plc.published = plc.state;
  }
}

void Bridge::ShowLog(const std::vector<std::string>& lines) {
  if (!settings_.showLog) return;
  for (const std::string& line : lines)
    console_.Log(line);
}

std::string Bridge::BrokerState() const {
  if (link_.connected()) return settings_.broker + " connected";
  if (mqtt_.state() == MqttState::kConnecting) return settings_.broker + " connecting";
  if (link_.problem().empty()) return settings_.broker + " not yet connected";
  char retry[32];
  std::snprintf(retry, sizeof retry, "%.0f", link_.RetryIn());
  return settings_.broker + " down, next attempt in " + retry + " s";
}

void Bridge::ShowStatus(bool force) {
  const double now = MonotonicSeconds();
  const double every =
      console_.mode() == BridgeConsole::Mode::kTerminal ? kTerminalRedraw : settings_.refresh;
  if (!force && now - lastStatus_ < every) return;
  lastStatus_ = now;
  status_.broker = BrokerState();
  console_.Status(status_);
}

void Bridge::Stop() {
  ShowStatus(true);
  const bool connected = link_.connected();
  if (connected) {
    mqtt_.Publish(StatusTopic(settings_.prefix), kOffline, settings_.qos, true);
    const double deadline = MonotonicSeconds() + kOfflineDeliverySeconds;
    std::vector<MqttMessage> ignored;
    std::string error;
    while (!mqtt_.AllDelivered() && MonotonicSeconds() < deadline &&
           mqtt_.Service(50, ignored, error) == MqttState::kConnected) {
    }
    mqtt_.Disconnect();
  }
  session_.Close();
  ShowLog(session_.TakeLog(false));
  console_.Finish();
  JsonObject json;
  json.Add("event", "stopped").Add("rounds", static_cast<int64_t>(status_.rounds));
  console_.Event("stopped after " + std::to_string(status_.rounds) +
                     " rounds: " + (connected ? "offline published" : "no broker to tell") +
                     ", the driver closed",
                 json);
}

}  // namespace zanhost

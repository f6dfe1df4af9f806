#include "bridge/loop.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/result_words.h"
#include "plan/plan_view.h"
#include "session/tag_report.h"

namespace zanhost {

namespace {

constexpr double kSliceSeconds = 0.05;    // the longest wait before a stop request is looked at
constexpr double kTerminalRedraw = 0.25;  // the status line on a terminal
constexpr double kGoodbyeDeliverySeconds = 2;
constexpr int kDefaultKeepAliveSeconds = 30;
// A warm start of a master/backup pair connects both and restarts both: four time-outs at most.
constexpr int kTimeoutsPerStep = 4;
constexpr int kStepsPerKeepAlive = 4;

}  // namespace

int KeepAliveSeconds(int driverTimeoutMs) {
  const double step = kTimeoutsPerStep * (std::max(0, driverTimeoutMs) / 1000.0);
  const double seconds = std::ceil(kStepsPerKeepAlive * step);
  // MQTT carries the keepalive in 16 bits.
  return static_cast<int>(std::clamp(seconds, double{kDefaultKeepAliveSeconds}, 65535.0));
}

Bridge::Bridge(const BridgeSettings& settings, BridgeDriver& driver, BridgeTable& table,
               MqttSession& mqtt, BridgeConsole& console, const BridgeClock& clock,
               const FaceMaker& makeFace)
    : settings_(settings),
      driver_(driver),
      table_(table),
      mqtt_(mqtt),
      console_(console),
      clock_(clock),
      publisher_(mqtt, console, status_),
      context_{mqtt,
               publisher_,
               driver,
               table,
               console,
               status_,
               writes_,
               [this] { ServeIfDue(); },
               [this](const std::string& reason) {
                 // Without this the client would send what is unacknowledged once more on the next
                 // connection: a death certificate of the last one, say.
                 DeliverQueued();
                 link_.Drop(reason, linkEvents_);
               }},
      face_(makeFace(context_)),
      link_(mqtt, clock.now, clock.sleep, [this] { face_->BeforeConnect(); }),
      warmStarts_(settings.reconnect) {
  status_.tags = static_cast<int>(table.tags().size());
  status_.refusedTags = table.refused();
}

void Bridge::Run() {
  double nextRound = clock_.now();
  while (!clock_.stopRequested()) {
    if (clock_.takeReloadRequest && clock_.takeReloadRequest()) Reload();
    if (clock_.now() >= nextRound) {
      Round();
      nextRound = std::max(nextRound + settings_.interval, clock_.now());
      ShowStatus(false);
    }
    // No pause while writes wait.
    const double pause = writes_.empty() ? kSliceSeconds : 0;
    Serve(std::min(pause, std::max(0.0, nextRound - clock_.now())));
    HandleLinkEvents();
    HandleMessages();
    RunWrites(nextRound);
    ShowStatus(false);
  }
  Stop();
}

void Bridge::Round() {
  const double start = clock_.now();
  WarmStarts(start);
  // Many tags or slow PLCs make a long round; the broker's link must not starve meanwhile (the
  // writes that arrive wait for the end of the round).
  table_.ReadRound([this] {
    ServeIfDue();
    HandleLinkEvents();
  });
  ShowPlanNotes();
  table_.UpdatePlcs();
  console_.DriverLog(driver_.TakeLog());
  ++status_.rounds;
  status_.roundMilliseconds = (clock_.now() - start) * 1000;
  status_.linksDown = 0;
  for (BridgePlc& plc : table_.plcs()) {
    status_.linksDown += plc.down ? 1 : 0;
    ShowPlc(plc);
  }
  status_.warmStart = warmStarts_.Note(true);
  face_->RoundDone();
}

void Bridge::WarmStarts(double now) {
  // From the last round: before the first one nothing is known, and nothing warm-started.
  std::map<int, bool> down;
  for (const BridgePlc& plc : table_.plcs()) {
    if (!plc.state.empty()) down[plc.plc.number] = plc.down;
  }
  // Each warm start of a PLC that does not answer takes up to a few time-outs: the link is served
  // between them, however many PLCs are down.
  const WarmStartFunction warmStart = [this](int32_t& plc) {
    ServeIfDue();
    const int32_t result = driver_.WarmStart(plc);
    ServeIfDue();
    return result;
  };
  const WarmStartFunction warmStartAndTell = [&](int32_t& plc) {
    const int32_t asked = plc;
    const int32_t result = warmStart(plc);
    // Which PLC came back and which is still down, told before the next step changes the table.
    bool stillDown = false;
    const std::string words = driver_.WarmStartWords(asked, plc, result, stillDown);
    // Every attempt is in the driver's log; an event only when what it brought changes.
    if (lastWarmStart_[asked] == words) return result;
    lastWarmStart_[asked] = words;
    std::string text = "warm start of " + driver_.DescribePlc(asked) + ": " + words;
    if (stillDown) text += "; " + warmStarts_.Note(true);
    JsonObject json;
    json.Add("event", "warmstart")
        .Add("plc", asked)
        .Add("restarted", plc)
        .Add("result", ResultWord(result))
        .Add("words", words);
    console_.Event(text, json);
    return result;
  };
  WarmStartDue(warmStartAndTell, warmStarts_, down, now);
  HandleLinkEvents();
  for (const auto& [plc, isDown] : down) {
    if (!isDown) lastWarmStart_.erase(plc);
  }
}

void Bridge::Serve(double seconds) {
  link_.Serve(seconds, pending_, linkEvents_);
  lastServed_ = clock_.now();
}

void Bridge::ServeIfDue() {
  if (clock_.now() - lastServed_ >= kServeEverySeconds) Serve(0);
}

void Bridge::HandleLinkEvents() {
  std::vector<LinkEvent> events;
  events.swap(linkEvents_);
  for (const LinkEvent& event : events)
    OnLinkEvent(event);
}

void Bridge::HandleMessages() {
  std::vector<MqttMessage> messages;
  messages.swap(pending_);
  for (const MqttMessage& message : messages) {
    // Writes only wait in the queue; what is carried out at once (a rebirth, a STATE) takes no
    // time of a PLC.
    face_->Received(message);
  }
  HandleLinkEvents();
}

void Bridge::RunWrites(double roundDue) {
  const double start = clock_.now();
  // One write at least, even when the round is due already: writes move however short the
  // interval.
  while (writes_.RunOne()) {
    ServeIfDue();
    HandleLinkEvents();
    const double now = clock_.now();
    if (now >= roundDue || now - start >= kWriteTurnSeconds) break;
  }
}

void Bridge::Reload() {
  if (settings_.tagFile.empty()) return;
  std::vector<TagSpec> specs;
  std::string error;
  JsonObject json;
  json.Add("event", "reload").Add("file", settings_.tagFile);
  if (!ReadTagFile(settings_.tagFile, specs, error) ||
      !CheckTagNames(settings_.tagFile, specs, error)) {
    json.Add("result", "refused").Add("reason", error);
    console_.Event("tag file not read again: " + error + "; the tags stay as they were", json);
    return;
  }
  const double started = clock_.now();
  const TagReload reload = table_.Reload(specs);
  const double seconds = clock_.now() - started;
  console_.DriverLog(driver_.TakeLog());
  ShowPlanNotes();
  for (const BridgeTag& tag : reload.refused) {
    JsonObject refusal;
    refusal.Add("event", "tag").Add("tag", tag.declared.name).Add("reason", tag.tag.refusal);
    console_.Event("tag " + tag.declared.name + " (" + tag.declared.address +
                       ") refused by the driver: " + tag.tag.refusal,
                   refusal);
  }
  status_.tags = static_cast<int>(table_.tags().size());
  status_.refusedTags = table_.refused();
  json.Add("result", "done")
      .Add("tags", status_.tags)
      .Add("added", reload.added)
      .Add("removed", static_cast<int>(reload.removed.size()))
      .Add("refusedTags", status_.refusedTags)
      .Add("initialised", reload.initialised)
      .Add("requestsPerRound", table_.plan().requests)
      .Add("seconds", seconds);
  std::string init;
  if (reload.initialised) {
    char took[32];
    std::snprintf(took, sizeof took, "%.3f", seconds);
    init = std::string("; the driver's cache slots changed, so the instance was initialised ") +
           (reload.initFailed ? "again and its Init failed (" + reload.initError + ")" : "again") +
           " (" + took + " s)";
    if (reload.initFailed) json.Add("initError", reload.initError);
  }
  if (!reload.configuredPlcs.empty()) {
    // Init read the configuration file again; the PLC topics and devices stay those of the start.
    std::vector<std::string> numbers;
    for (const int plc : reload.configuredPlcs)
      numbers.push_back(std::to_string(plc));
    json.AddRaw("configuredPlcs", JsonArray(numbers));
    init += "; the configuration file now configures PLC" +
            std::string(numbers.size() == 1 ? " " : "s ") + Enumeration(reload.configuredPlcs) +
            ": the bridge serves the PLCs of its start until it is restarted";
  }
  console_.Event("tag file read again: " + std::to_string(status_.tags) + " tags (" +
                     std::to_string(reload.added) + " new or changed, " +
                     std::to_string(reload.removed.size()) + " removed, " +
                     std::to_string(status_.refusedTags) + " refused); " +
                     RequestsWords(table_.plan()) + init,
                 json);
  face_->TagsReloaded(reload.removed);
}

void Bridge::ShowPlanNotes() {
  for (const std::string& note : table_.TakePlanNotes()) {
    JsonObject json;
    json.Add("event", "plan").Add("note", note);
    console_.Event(note, json);
  }
}

void Bridge::OnLinkEvent(const LinkEvent& event) {
  JsonObject json;
  json.Add("event", "broker").Add("broker", settings_.broker);
  if (event.kind == LinkEvent::Kind::kConnected) {
    json.Add("state", "connected");
    console_.Event("broker " + settings_.broker + ": connected", json);
    face_->Connected();
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

void Bridge::ShowPlc(BridgePlc& plc) {
  std::string& shown = shownState_[plc.plc.number];
  if (shown == plc.state) return;
  shown = plc.state;
  std::string text = driver_.DescribePlc(plc.plc.number) + ": " + plc.state;
  const std::string note = warmStarts_.Note(plc.down);
  if (!note.empty()) text += " (" + note + ")";
  JsonObject json;
  json.Add("event", "plc")
      .Add("plc", plc.plc.number)
      .Add("state", plc.state)
      .Add("address", plc.plc.ipAddress);
  console_.Event(text, json);
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
  const double now = clock_.now();
  const double every =
      console_.mode() == BridgeConsole::Mode::kTerminal ? kTerminalRedraw : settings_.statusEvery;
  if (!force && now - lastStatus_ < every) return;
  lastStatus_ = now;
  status_.broker = BrokerState();
  console_.Status(status_);
}

void Bridge::DeliverQueued() {
  const double deadline = clock_.now() + kGoodbyeDeliverySeconds;
  // What arrives meanwhile is not taken: the connection is about to end.
  std::vector<MqttMessage> ignored;
  std::string error;
  while (!mqtt_.AllDelivered() && clock_.now() < deadline &&
         mqtt_.Service(50, ignored, error) == MqttState::kConnected) {
  }
}

void Bridge::Stop() {
  writes_.RefuseAll("the bridge stops before the write's turn came");
  ShowStatus(true);
  const bool connected = link_.connected();
  std::string goodbye = "no broker to tell";
  if (connected) {
    goodbye = face_->Goodbye();
    DeliverQueued();
    mqtt_.Disconnect();
  }
  driver_.Close();
  console_.DriverLog(driver_.TakeLog());
  console_.Finish();
  JsonObject json;
  json.Add("event", "stopped").Add("rounds", static_cast<int64_t>(status_.rounds));
  console_.Event("stopped after " + std::to_string(status_.rounds) + " rounds: " + goodbye +
                     ", the driver closed",
                 json);
}

}  // namespace zanhost

// zanhost bridge: the tags of a tag file polled through the driver and published to an MQTT broker,
// and writes taken back from it (bridge/loop.h). This file reads the options, checks everything
// that can be checked before the driver starts, and sets the pieces up.
#include <cstdio>
#include <filesystem>
#include <map>

#include "bridge/command.h"
#include "bridge/json_face.h"
#include "bridge/loop.h"
#include "bridge/messages.h"
#include "os/host_platform.h"
#include "output/live_screen.h"
#include "output/result_words.h"
#include "session/heartbeat_warnings.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/tag_file.h"

namespace zanhost {

namespace {

constexpr const char* kPasswordVariable = "ZANHOST_MQTT_PASSWORD";

int Refuse(const std::string& line) {
  std::fprintf(stderr, "zanhost: %s\n", line.c_str());
  return kExitSetup;
}

// Every tag name becomes a topic level, once.
bool CheckTagNames(const std::string& file, const std::vector<TagSpec>& specs, std::string& error) {
  std::map<std::string, int> lines;
  for (const TagSpec& spec : specs) {
    const std::string where = "tag file " + file + ", line " + std::to_string(spec.line) + ": ";
    std::string why;
    if (!IsTopicLevel(spec.name, why)) {
      error = where + "the tag name cannot be a level of an MQTT topic: " + why;
      return false;
    }
    const auto [earlier, fresh] = lines.emplace(spec.name, spec.line);
    if (!fresh) {
      error = where + "the tag name \"" + spec.name + "\" is taken by line " +
              std::to_string(earlier->second) + "; each tag has a topic of its own";
      return false;
    }
  }
  return true;
}

}  // namespace

CLI::App* AddBridgeCommand(CLI::App& app, BridgeOptions& options) {
  CLI::App* bridge = app.add_subcommand(
      "bridge",
      "poll the tags of a tag file and publish them to an MQTT broker; take writes of rw tags "
      "back (the password comes from ZANHOST_MQTT_PASSWORD)");
  bridge->add_option("--broker", options.broker, "the broker: HOST[:PORT], port 1883 by default")
      ->required();
  bridge
      ->add_option("--tags", options.tagFile,
                   "tag file: one tag a line, \"name, address, type[, count][, rw]\"; rw tags "
                   "take writes")
      ->required();
  bridge->add_option("--interval", options.interval, "seconds between rounds")
      ->check(CLI::Range(0.0, 3600.0))
      ->capture_default_str();
  bridge->add_option("--prefix", options.prefix, "topic prefix (default zandor/<instance>)");
  bridge->add_option("--qos", options.qos, "MQTT quality of service of every message")
      ->check(CLI::IsMember({0, 1, 2}))
      ->capture_default_str();
  bridge->add_option("--client-id", options.clientId,
                     "MQTT client id (default zanhost-<instance>-<process id>)");
  bridge->add_option("--username", options.username, "MQTT user name");
  bridge->add_option("--tls-ca", options.tlsCa,
                     "file of CA certificates: connect with TLS and check the broker by them");
  bridge
      ->add_option("--refresh", options.refresh,
                   "seconds: every tag is published at least this often, changed or not")
      ->check(CLI::Range(0.1, 86400.0))
      ->capture_default_str();
  AddReconnectOption(bridge, options.reconnect);
  bridge->add_flag("--json", options.json, "one JSON object an event instead of lines");
  bridge->add_flag("--plain", options.plain, "plain lines even on a terminal");
  AddHostOptions(bridge, options.host);
  return bridge;
}

int RunBridge(const BridgeOptions& options) {
  if (!HasMqttSupport()) {
    std::string error;
    MakeMqttSession(MqttSettings{}, error);
    return Refuse(error);
  }
  MqttSettings mqtt;
  std::string error;
  if (!ParseBrokerAddress(options.broker, mqtt, error)) return Refuse(error);
  const std::string prefix =
      options.prefix.empty() ? "zandor/" + std::to_string(options.host.instance) : options.prefix;
  if (!IsTopicPrefix(prefix, error)) return Refuse("--prefix: " + error);
  std::vector<TagSpec> specs;
  // Files before Init, which changes the current folder.
  if (!ReadTagFile(options.tagFile, specs, error) ||
      !CheckTagNames(options.tagFile, specs, error)) {
    return Refuse(error);
  }
  std::error_code ignored;
  if (!options.tlsCa.empty()) {
    if (!std::filesystem::is_regular_file(options.tlsCa, ignored)) {
      return Refuse("the CA certificate file " + options.tlsCa + " of --tls-ca is not there");
    }
    mqtt.caFile = std::filesystem::absolute(options.tlsCa, ignored).string();
  }
  mqtt.username = options.username;
  mqtt.password = GetEnvironment(kPasswordVariable);
  if (!mqtt.password.empty() && mqtt.username.empty()) {
    return Refuse(std::string(kPasswordVariable) +
                  " is set but no --username is given; MQTT takes a password only with a user "
                  "name");
  }
  mqtt.clientId = options.clientId.empty() ? "zanhost-" + std::to_string(options.host.instance) +
                                                 "-" + std::to_string(ProcessId())
                                           : options.clientId;
  mqtt.qos = options.qos;
  mqtt.willTopic = StatusTopic(prefix);
  mqtt.willPayload = kOffline;
  mqtt.willRetain = true;

  HostSession host(options.host);
  if (!host.Init()) return kExitSetup;
  // No step of a round may hold the link for a quarter of the keepalive.
  mqtt.keepAliveSeconds = KeepAliveSeconds(host.timeoutMs());
  std::unique_ptr<MqttSession> session = MakeMqttSession(mqtt, error);
  if (session == nullptr) return Refuse(error);
  SessionDriver driver(host);
  BridgeTable table(driver);
  table.Define(specs);
  for (const BridgeTag& tag : table.tags()) {
    if (!tag.defined) ReportRefusal(host, tag.tag);
  }
  WarnOfMissingHeartbeats(host, options.tagFile);

  BridgeSettings settings;
  settings.broker = (mqtt.host.find(':') != std::string::npos ? "[" + mqtt.host + "]" : mqtt.host) +
                    ":" + std::to_string(mqtt.port);
  settings.interval = options.interval;
  settings.statusEvery = options.refresh;
  settings.reconnect = options.reconnect;
  BridgeConsole console(options.json                    ? BridgeConsole::Mode::kJson
                        : !options.plain && CanRedraw() ? BridgeConsole::Mode::kTerminal
                                                        : BridgeConsole::Mode::kPlain,
                        !options.host.quiet);
  JsonObject started;
  started.Add("event", "started")
      .Add("tags", static_cast<int>(table.tags().size()))
      .Add("refusedTags", table.refused())
      .Add("plcs", static_cast<int>(table.plcs().size()))
      .Add("broker", settings.broker)
      .Add("prefix", prefix)
      .Add("interval", options.interval);
  char every[32];
  std::snprintf(every, sizeof every, "%g", options.interval);
  console.Event("bridge of " + std::to_string(table.tags().size()) + " tags (" +
                    std::to_string(table.refused()) + " refused) and " +
                    std::to_string(table.plcs().size()) + " PLCs to " + settings.broker +
                    " under " + prefix + "/, every " + every + " s; Ctrl-C stops",
                started);
  CatchInterrupt();
  BridgeClock clock;
  clock.now = MonotonicSeconds;
  clock.sleep = [](double seconds) { Pause(seconds); };
  clock.stopRequested = Interrupted;
  JsonFaceSettings face;
  face.prefix = prefix;
  face.qos = options.qos;
  face.refresh = options.refresh;
  Bridge bridge(settings, driver, table, *session, console, clock,
                [&face](BridgeContext& context) -> std::unique_ptr<BridgeFace> {
                  return std::make_unique<JsonFace>(context, face, MonotonicSeconds);
                });
  bridge.Run();
  return kExitOk;
}

}  // namespace zanhost

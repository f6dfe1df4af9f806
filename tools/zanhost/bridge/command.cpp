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
#include "bridge/sparkplug/node.h"
#include "bridge/sparkplug/payload.h"
#include "bridge/sparkplug/topics.h"
#include "os/host_platform.h"
#include "os/reload_signal.h"
#include "output/live_screen.h"
#include "output/result_words.h"
#include "output/wall_time.h"
#include "plan/command.h"
#include "plan/plan_view.h"
#include "session/heartbeat_warnings.h"
#include "session/host_options.h"
#include "session/tag_report.h"
#include "tags/tag_file.h"

namespace zanhost {

namespace {

constexpr const char* kPasswordVariable = "ZANHOST_MQTT_PASSWORD";

int Refuse(const std::string& line, int exitCode = kExitSetup) {
  std::fprintf(stderr, "zanhost: %s\n", line.c_str());
  return exitCode;
}

// A file named by an option, checked while the current folder is still the user's, and made
// absolute (Init moves to the configuration's folder).
bool FileOf(const std::string& path, const char* option, const char* what, std::string& absolute,
            std::string& error) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) {
    error = std::string("the ") + what + " " + path + " of " + option + " is not there";
    return false;
  }
  absolute = std::filesystem::absolute(path, ignored).string();
  return true;
}

// The TLS files, each there (the options' pairing is checked before).
bool TlsFiles(const BridgeOptions& options, MqttSettings& mqtt, std::string& error) {
  if (!options.tlsCa.empty() &&
      !FileOf(options.tlsCa, "--tls-ca", "CA certificate file", mqtt.caFile, error)) {
    return false;
  }
  if (options.tlsCert.empty()) return true;
  return FileOf(options.tlsCert, "--tls-cert", "client certificate file", mqtt.certFile, error) &&
         FileOf(options.tlsKey, "--tls-key", "private key file", mqtt.keyFile, error);
}

// "10.0.0.10" from the driver's version line at Init ("... Version : 10,0,0,10, compiled on ...").
std::string DriverVersion(const std::vector<std::string>& initLog) {
  const std::string mark = "Version : ";
  for (const std::string& line : initLog) {
    const std::size_t at = line.find(mark);
    if (at == std::string::npos) continue;
    std::string version = line.substr(at + mark.size());
    version = version.substr(0, version.find(", "));
    for (char& c : version) {
      if (c == ',') c = '.';
    }
    return version;
  }
  return "";
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
  CLI::Option* prefix =
      bridge->add_option("--prefix", options.prefix, "topic prefix (default zandor/<instance>)");
  CLI::Option* qos =
      bridge->add_option("--qos", options.qos, "MQTT quality of service of every message")
          ->check(CLI::IsMember({0, 1, 2}))
          ->capture_default_str();
  bridge->add_option("--client-id", options.clientId,
                     "MQTT client id (default zanhost-<instance>-<process id>)");
  bridge->add_option("--username", options.username, "MQTT user name");
  bridge->add_option("--tls-ca", options.tlsCa,
                     "file of CA certificates: connect with TLS and check the broker by them");
  bridge->add_option(
      "--tls-cert", options.tlsCert,
      "the client's certificate (PEM), for a broker that wants one (with --tls-key)");
  bridge->add_option("--tls-key", options.tlsKey, "the private key of --tls-cert (PEM)");
  bridge
      ->add_option("--refresh", options.refresh,
                   "seconds: every tag is published at least this often, changed or not")
      ->check(CLI::Range(0.1, 86400.0))
      ->capture_default_str();
  AddReconnectOption(bridge, options.reconnect);
  AddPlanOption(bridge, options.plan);
  CLI::Option* sparkplug = bridge->add_option(
      "--sparkplug", options.sparkplugGroup,
      "be a Sparkplug B edge node of this group (its id) instead of publishing JSON topics");
  bridge
      ->add_option("--node", options.node, "the Sparkplug edge node id (default zandor-<instance>)")
      ->needs(sparkplug);
  bridge
      ->add_option("--primary-host", options.primaryHost,
                   "publish Sparkplug births only while this primary host's STATE says online")
      ->needs(sparkplug);
  bridge
      ->add_flag("--lean-ddata", options.leanData,
                 "Sparkplug DDATA without the metrics' datatypes, which the births declare (some "
                 "decoders then read no value)")
      ->needs(sparkplug);
  bridge
      ->add_flag("--uint32-in-long", options.uint32InLong,
                 "Sparkplug UInt32 values (dword tags) in long_value rather than int_value, for "
                 "host applications whose decoders read them there (the Sparkplug project's "
                 "JavaScript library)")
      ->needs(sparkplug);
  bridge->add_flag("--json", options.json, "one JSON object an event instead of lines");
  bridge->add_flag("--plain", options.plain, "plain lines even on a terminal");
  // Sparkplug B fixes its topics and the quality of service of each message.
  sparkplug->excludes(prefix)->excludes(qos);
  AddHostOptions(bridge, options.host);
  AcceptConfigFile(bridge);
  return bridge;
}

int RunBridge(const BridgeOptions& options) {
  if (!HasMqttSupport()) {
    std::string error;
    MakeMqttSession(MqttSettings{}, error);
    return Refuse(error);
  }
  const bool sparkplug = !options.sparkplugGroup.empty();
  if (sparkplug && !HasSparkplugSupport()) {
    return Refuse("--sparkplug: this build of zanhost has no protobuf for the Sparkplug B payload");
  }
  MqttSettings mqtt;
  std::string error;
  if (!ParseBrokerAddress(options.broker, mqtt, error)) return Refuse(error, kExitUsage);
  const std::string instance = std::to_string(options.host.instance);
  const std::string prefix = options.prefix.empty() ? "zandor/" + instance : options.prefix;
  SparkplugSettings node;
  if (sparkplug) {
    node.group = options.sparkplugGroup;
    node.node = options.node.empty() ? "zandor-" + instance : options.node;
    node.primaryHost = options.primaryHost;
    node.leanData = options.leanData;
    node.uint32InLong = options.uint32InLong;
    if (!IsSparkplugId(node.group, "--sparkplug: the group id", error) ||
        !IsSparkplugId(node.node, "--node: the edge node id", error) ||
        (!node.primaryHost.empty() &&
         !IsSparkplugId(node.primaryHost, "--primary-host: the host id", error))) {
      return Refuse(error, kExitUsage);
    }
  } else if (!IsTopicPrefix(prefix, error)) {
    return Refuse("--prefix: " + error, kExitUsage);
  }
  // A client certificate goes with its key, and with the CA that the broker is checked by.
  if (options.tlsCert.empty() != options.tlsKey.empty()) {
    return Refuse(
        "--tls-cert and --tls-key go together: the client's certificate and its private key",
        kExitUsage);
  }
  if (!options.tlsCert.empty() && options.tlsCa.empty()) {
    return Refuse(
        "--tls-cert needs --tls-ca: the CA certificates that the broker's certificate is checked "
        "against",
        kExitUsage);
  }
  std::vector<TagSpec> specs;
  std::error_code ignored;
  // Files before Init, which changes the current folder.
  const std::string tagFile = std::filesystem::absolute(options.tagFile, ignored).string();
  if (!ReadTagFile(options.tagFile, specs, error) ||
      !CheckTagNames(options.tagFile, specs, error) || !TlsFiles(options, mqtt, error)) {
    return Refuse(error);
  }
  mqtt.username = options.username;
  mqtt.password = GetEnvironment(kPasswordVariable);
  if (!mqtt.password.empty() && mqtt.username.empty()) {
    return Refuse(std::string(kPasswordVariable) +
                      " is set but no --username is given; MQTT takes a password only with a user "
                      "name",
                  kExitUsage);
  }
  mqtt.clientId = options.clientId.empty()
                      ? "zanhost-" + instance + "-" + std::to_string(ProcessId())
                      : options.clientId;
  mqtt.qos = options.qos;
  if (!sparkplug) {
    // The Sparkplug node sets its will before each connection (a new bdSeq each time).
    mqtt.willTopic = StatusTopic(prefix);
    mqtt.willPayload = kOffline;
    mqtt.willRetain = true;
  }

  // From here on SIGHUP asks for the tag file to be read again, also while Init waits for PLCs: its
  // default would end the bridge, and a service manager counts that end as a clean stop, which it
  // does not restart.
  CatchReloadSignal();
  HostSession host(options.host);
  if (!host.Init()) return kExitSetup;
  // No step of a round may hold the link for a quarter of the keepalive.
  mqtt.keepAliveSeconds = KeepAliveSeconds(host.timeoutMs());
  std::unique_ptr<MqttSession> session = MakeMqttSession(mqtt, error);
  if (session == nullptr) return Refuse(error);
  SessionDriver driver(host);
  BridgeTable table(driver, options.plan);
  table.Define(specs);
  for (const BridgeTag& tag : table.tags()) {
    if (!tag.defined) ReportRefusal(host, tag.tag);
  }
  WarnOfMissingHeartbeats(host, tagFile);

  BridgeSettings settings;
  settings.broker = (mqtt.host.find(':') != std::string::npos ? "[" + mqtt.host + "]" : mqtt.host) +
                    ":" + std::to_string(mqtt.port);
  settings.interval = options.interval;
  settings.statusEvery = options.refresh;
  settings.reconnect = options.reconnect;
  settings.tagFile = tagFile;
  // Plain lines where standard output is no terminal: a service's journal, a file, a pipe.
  BridgeConsole console(options.json                    ? BridgeConsole::Mode::kJson
                        : !options.plain && CanRedraw() ? BridgeConsole::Mode::kTerminal
                                                        : BridgeConsole::Mode::kPlain,
                        !options.host.quiet);
  const std::string under =
      sparkplug ? "as Sparkplug B node " + node.group + "/" + node.node : "under " + prefix + "/";
  JsonObject started;
  started.Add("event", "started")
      .Add("tags", static_cast<int>(table.tags().size()))
      .Add("refusedTags", table.refused())
      .Add("plcs", static_cast<int>(table.plcs().size()))
      .Add("broker", settings.broker)
      .Add(sparkplug ? "sparkplug" : "prefix", sparkplug ? node.group + "/" + node.node : prefix)
      .Add("interval", options.interval)
      .Add("requestsPerRound", table.plan().requests);
  char every[32];
  std::snprintf(every, sizeof every, "%g", options.interval);
  console.Event("bridge of " + std::to_string(table.tags().size()) + " tags (" +
                    std::to_string(table.refused()) + " refused) and " +
                    std::to_string(table.plcs().size()) + " PLCs to " + settings.broker + " " +
                    under + ", every " + every + " s, " + RequestsWords(table.plan()) +
                    "; Ctrl-C stops",
                started);
  CatchInterrupt();
  BridgeClock clock;
  clock.now = MonotonicSeconds;
  clock.sleep = [](double seconds) { Pause(seconds); };
  clock.stopRequested = Interrupted;
  clock.takeReloadRequest = TakeReloadRequest;
  JsonFaceSettings json;
  json.prefix = prefix;
  json.qos = options.qos;
  json.refresh = options.refresh;
  node.driverName = host.info().driverName != nullptr ? host.info().driverName : "";
  node.driverVersion = DriverVersion(host.initLog());
  Bridge bridge(settings, driver, table, *session, console, clock,
                [&](BridgeContext& context) -> std::unique_ptr<BridgeFace> {
                  if (sparkplug)
                    return std::make_unique<SparkplugNode>(context, node, NowMilliseconds);
                  return std::make_unique<JsonFace>(context, json, MonotonicSeconds);
                });
  bridge.Run();
  return kExitOk;
}

}  // namespace zanhost

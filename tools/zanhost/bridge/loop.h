// The bridge at work: a round of reads every interval, what changed handed to the face that
// publishes it (bridge/face.h: JSON topics or a Sparkplug B node), writes carried out as they
// arrive, PLCs whose link is down warm-started, the broker reconnected when it goes away. Polling
// never waits for the broker: while it is away the rounds go on, and once it is back the face
// publishes the current state again. A stop request ends it cleanly: the face's goodbye, the driver
// closed.
//
// Writes wait in a queue (bridge/write_queue.h) and are carried out between rounds: at least one
// at each turn of the loop, more while the next round is not due, for at most kWriteTurnSeconds
// before the link is served again. However many commands arrive, a round is late by one write at
// most, so that every PLC's tags are read at least every two intervals while writes flood in.
//
// The broker's link is served between every two steps that can take time: each read, each warm
// start, each write and its read back. A step is at most a few of the driver's time-outs, and the
// keepalive is chosen from the time-out (KeepAliveSeconds) so that no step holds the link longer
// than a quarter of it: however many PLCs are down, the broker never misses a keepalive.
//
// A reload request reads the tag file again between two rounds, without a new MQTT session: the
// face publishes the new tags and lets the removed ones go (bridge/face.h). The tags are planned
// again; when the driver's cache slots must change, the instance is initialised again first
// (bridge/tags.h). A file that cannot be read, or whose names cannot be topics, leaves the tags as
// they were.
//
// The clock, the sleep and the stop and reload requests are the caller's, so that the loop is tried
// on a scripted clock.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge/bridge_driver.h"
#include "bridge/broker_link.h"
#include "bridge/console.h"
#include "bridge/face.h"
#include "bridge/mqtt_session.h"
#include "bridge/tags.h"
#include "bridge/write_queue.h"
#include "session/warm_start_schedule.h"
#include "tags/tag_file.h"

namespace zanhost {

// The longest the link goes unserved while a round or the writes run, when no single step takes
// longer.
constexpr double kServeEverySeconds = 0.2;
// The longest that one turn of the loop carries out waiting writes, when no single write takes
// longer.
constexpr double kWriteTurnSeconds = 0.05;

// The MQTT keepalive for a driver time-out: 30 s, or more where one step (a warm start of a pair:
// two connections made and two restarted, each up to a time-out) could take a quarter of it.
int KeepAliveSeconds(int driverTimeoutMs);

struct BridgeSettings {
  std::string broker;   // "localhost:1883", for the lines
  double interval = 1;  // seconds between rounds
  double reconnect = kDefaultReconnectSeconds;
  double statusEvery = 60;  // seconds between status lines where they are not redrawn
  std::string tagFile;      // read again on a reload request (an absolute path); "" for none
};

struct BridgeClock {
  std::function<double()> now;          // seconds, monotonic
  std::function<void(double)> sleep;    // waits that many seconds
  std::function<bool()> stopRequested;  // Ctrl-C, SIGTERM
  // Whether the tag file is to be read again (SIGHUP); taking the request clears it.
  std::function<bool()> takeReloadRequest;
};

class Bridge {
 public:
  // `makeFace` builds the face on the context that the bridge owns.
  using FaceMaker = std::function<std::unique_ptr<BridgeFace>(BridgeContext&)>;

  Bridge(const BridgeSettings& settings, BridgeDriver& driver, BridgeTable& table,
         MqttSession& mqtt, BridgeConsole& console, const BridgeClock& clock,
         const FaceMaker& makeFace);

  // Runs until a stop is requested, then stops cleanly.
  void Run();

  const BridgeStatus& status() const { return status_; }

 private:
  void Round();
  void WarmStarts(double now);
  void Serve(double seconds);
  void ServeIfDue();
  void HandleLinkEvents();
  void HandleMessages();
  // Carries out waiting writes: one, then more until `roundDue` or kWriteTurnSeconds.
  void RunWrites(double roundDue);
  void Reload();
  // Shows what changed in the read plan (a block given up) as events.
  void ShowPlanNotes();
  void OnLinkEvent(const LinkEvent& event);
  void ShowPlc(BridgePlc& plc);
  void ShowStatus(bool force);
  std::string BrokerState() const;
  // Serves the session until what was published with QoS 1 or 2 is acknowledged, for a few seconds
  // at most: before a clean disconnect.
  void DeliverQueued();
  void Stop();

  BridgeSettings settings_;
  BridgeDriver& driver_;
  BridgeTable& table_;
  MqttSession& mqtt_;
  BridgeConsole& console_;
  BridgeClock clock_;
  BridgeStatus status_;
  Publisher publisher_;
  WriteQueue writes_;
  BridgeContext context_;
  std::unique_ptr<BridgeFace> face_;
  BrokerLink link_;
  WarmStartSchedule warmStarts_;
  std::vector<MqttMessage> pending_;
  std::vector<LinkEvent> linkEvents_;         // of the link's latest turns, not yet handled
  std::map<int, std::string> shownState_;     // the last state of each PLC shown as an event
  std::map<int, std::string> lastWarmStart_;  // what each PLC's last warm start brought, in words
  double lastStatus_ = -1e9;                  // when the status was last shown
  double lastServed_ = 0;                     // when the link was last served
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_

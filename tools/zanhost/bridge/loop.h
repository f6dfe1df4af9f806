// The bridge at work: a round of reads every interval, what changed published to the broker (and
// every tag again at least every refresh period), writes carried out as they arrive, PLCs whose
// link is down warm-started, the broker reconnected when it goes away. Polling never waits for the
// broker: while it is away the rounds go on, and once it is back the current state of every tag and
// PLC is published again. Ctrl-C ends it cleanly: "offline" published, the driver closed.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_

#include <map>
#include <string>
#include <vector>

#include "bridge/broker_link.h"
#include "bridge/console.h"
#include "bridge/mqtt_session.h"
#include "bridge/tags.h"
#include "session/host_session.h"
#include "session/warm_start_schedule.h"

namespace zanhost {

struct BridgeSettings {
  std::string prefix;  // of every topic
  std::string broker;  // "localhost:1883", for the lines
  int qos = 1;
  double interval = 1;  // seconds between rounds
  double refresh = 60;  // a tag is published at least this often
  double reconnect = kDefaultReconnectSeconds;
  bool showLog = true;  // the driver's log lines (not with -q)
};

class Bridge {
 public:
  Bridge(const BridgeSettings& settings, HostSession& session, BridgeTable& table,
         MqttSession& mqtt, BridgeConsole& console);

  // Runs until Ctrl-C, then stops cleanly.
  void Run();

 private:
  void Round();
  void WarmStarts(double now);
  void Serve(double seconds);
  void HandleMessages();
  void OnLinkEvent(const LinkEvent& event);
  void OnSet(const MqttMessage& message, const std::string& name);
  void PublishAll();
  void PublishTag(BridgeTag& tag, bool force);
  void ShowPlc(BridgePlc& plc);
  void PublishPlc(BridgePlc& plc, bool force);
  void ShowLog(const std::vector<std::string>& lines);
  void ShowStatus(bool force);
  std::string BrokerState() const;
  void Stop();

  BridgeSettings settings_;
  HostSession& session_;
  BridgeTable& table_;
  MqttSession& mqtt_;
  BridgeConsole& console_;
  BrokerLink link_;
  WarmStartSchedule warmStarts_;
  BridgeStatus status_;
  std::vector<MqttMessage> pending_;
  std::map<int, std::string> shownState_;  // the last state of each PLC shown as an event
  std::map<int, int> lastWarmStart_;       // the last result of each PLC's warm start
  double lastStatus_ = -1e9;               // when the status was last shown
  double lastServed_ = 0;                  // when the link was last served
};

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_LOOP_H_

// What the bridge shows its broker, behind one interface: the JSON topics of our own
// (bridge/json_face.h) or a Sparkplug B edge node (bridge/sparkplug/node.h). The loop
// (bridge/loop.h) reads the tags, keeps the link and calls its face at each turn; a face publishes
// through the Publisher, which reports a message that the session would not take, and carries out
// writes with CarryOutSet, so that every write goes through the same checks and lines whichever
// face it came by.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_FACE_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_FACE_H_

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "bridge/bridge_driver.h"
#include "bridge/console.h"
#include "bridge/mqtt_session.h"
#include "bridge/tags.h"
#include "bridge/write_queue.h"

namespace zanhost {

// Publishes for a face. A message that the session refuses (a topic that is no UTF-8, a payload too
// big) is reported as one event and counted; the event comes again for that topic only after a
// message on it went out. Nothing is tried while the session is not connected.
class Publisher {
 public:
  Publisher(MqttSession& mqtt, BridgeConsole& console, BridgeStatus& status)
      : mqtt_(mqtt), console_(console), status_(status) {}

  bool Publish(const std::string& topic, const std::string& payload, int qos, bool retain);
  bool connected() const { return mqtt_.state() == MqttState::kConnected; }

 private:
  MqttSession& mqtt_;
  BridgeConsole& console_;
  BridgeStatus& status_;
  std::set<std::string> failing_;  // topics whose failure was reported
};

// What a face works with; the loop owns it all.
struct BridgeContext {
  MqttSession& mqtt;
  Publisher& publisher;
  BridgeDriver& driver;
  BridgeTable& table;
  BridgeConsole& console;
  BridgeStatus& status;
  // The writes that wait for the loop to carry them out between rounds.
  WriteQueue& writes;
  // Lets the broker's link move between long steps (a write and its read back).
  std::function<void()> serve;
  // Ends the connection on purpose; the link connects again after a pause.
  std::function<void(const std::string& reason)> dropConnection;
};

class BridgeFace {
 public:
  virtual ~BridgeFace() = default;

  // Before each attempt to connect: the last will of that connection.
  virtual void BeforeConnect() {}
  // The connection came up: subscriptions, then the state published anew.
  virtual void Connected() = 0;
  // A round ended: the tags and the PLCs' states are fresh. Publishes what changed.
  virtual void RoundDone() = 0;
  // A message from the broker.
  virtual void Received(const MqttMessage& message) = 0;
  // The tag file was read again: the table holds the new tags (those that were there before keep
  // their state, new ones are not read yet); `removed` went away.
  virtual void TagsReloaded(const std::vector<BridgeTag>& removed) = 0;
  // The bridge stops while connected: the last messages queued. Returns what was done, for the
  // stop line ("offline published").
  virtual std::string Goodbye() = 0;
};

// A write that arrived by the face: `label` names it in the bridge's line ("set speed"), `name` is
// the tag, `element` the number of one value of a run or kWholeTag. Carries out
// BridgeTable::Set, counts it, shows the driver's lines and one event line with the result and the
// reason, and, when the PLC took the write (the driver's 0), reads the tag back.
SetOutcome CarryOutSet(BridgeContext& context, const std::string& label, const std::string& name,
                       const std::string& payload, bool retained, int element = kWholeTag);

// A write refused before it reached the tag's checks (a command the face cannot read, one that
// finds no room to wait): counted and shown as CarryOutSet shows a refusal, with the value sent
// (`valueJson`, null when there was none). Returns the refusal.
SetOutcome RefuseSet(BridgeContext& context, const std::string& label, const std::string& name,
                     const std::string& valueJson, const std::string& reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_FACE_H_

// The bridge's loop on a scripted clock: an MQTT session that plays the broker (it drops the
// client when its keepalive is missed, and records what is published and when it was served) and a
// driver whose PLCs, values and slow steps the test sets. Nothing waits for real time: the clock
// moves when the bridge sleeps, serves the session or asks the driver for a slow step.
#ifndef ZAN_TESTS_ZANHOST_BRIDGE_SCRIPTED_H_
#define ZAN_TESTS_ZANHOST_BRIDGE_SCRIPTED_H_

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "bridge/bridge_driver.h"
#include "bridge/loop.h"
#include "bridge/mqtt_session.h"
#include "session/plc_state_words.h"

namespace zanhost::testing {

struct Published {
  std::string topic;
  std::string payload;
  int qos = 0;
  bool retain = false;
  double at = 0;
};

class ScriptedMqtt : public MqttSession {
 public:
  explicit ScriptedMqtt(double& now, int keepAliveSeconds = 30)
      : now_(now), keepAlive_(keepAliveSeconds) {}

  bool StartConnect(std::string& error) override;
  MqttState Service(int milliseconds, std::vector<MqttMessage>& received,
                    std::string& error) override;
  bool Publish(const std::string& topic, const std::string& payload, int qos, bool retain,
               std::string& error) override;
  bool Subscribe(const std::string& pattern, int qos) override;
  bool SetWill(const std::string& topic, const std::string& payload, int qos, bool retain,
               std::string& error) override;
  bool AllDelivered() const override { return unacknowledged_.empty(); }
  void Disconnect() override;
  MqttState state() const override { return state_; }

  // Handed to the bridge at its next Service.
  void Deliver(const MqttMessage& message) { inbox_.push_back(message); }

  std::vector<Published> published;
  std::vector<std::string> subscriptions;
  std::vector<Published> wills;  // set before each attempt
  std::set<std::string> refusedTopics;
  int connects = 0;
  int lost = 0;           // connections the broker dropped for a missed keepalive
  double longestGap = 0;  // between two services of a connected session
  bool cleanDisconnect = false;
  double dropAt = 0;  // when the broker drops the connection (0: never)
  // How long the broker takes to acknowledge a message of QoS 1 or 2. As libmosquitto does, the
  // session sends what is unacknowledged at a disconnect once more on the next connection.
  double ackSeconds = 0;

 private:
  double& now_;
  int keepAlive_;
  MqttState state_ = MqttState::kDown;
  double lastService_ = 0;
  std::vector<MqttMessage> inbox_;
  std::vector<Published> unacknowledged_;  // `at`: when the acknowledgement comes
};

// A driver of the PLCs 1 to `plcs`, S7 at 127.0.0.<n>, each connected unless set down. A tag's
// address is "<plc, two digits>..."; its value is the test's (values[name]), 0 until set.
// Data-block words ("01DW0100002") and cache blocks ("01TB01000000100") take their place in memory,
// and the cache is kept as the driver keeps it: 100 slots, claimed by cache-block tags as they are
// defined and freed only by Init (Reinit); a tag that a slot holds is served from what the slot
// held at its block's last read (1 while it holds nothing, which the driver stores as the PLC's
// link state, as it does the 2 of a read of a PLC that is down). A PLC set down stays down,
// whatever its link state says, until it is set up again; Init (Reinit) connects every PLC that is
// up.
class ScriptedDriver : public BridgeDriver {
 public:
  ScriptedDriver(double& now, int plcs);

  // A PLC set up again is connected at once, as a warm start would; `connect` false leaves its link
  // state failed until Init connects it.
  void SetDown(int plc, bool down, bool connect = true);
  void SetType(int plc, uint8_t type) { state_->plcs[plc].type = type; }
  void SetBackup(int master, int backup) {
    state_->plcs[master].backupPlc = static_cast<uint8_t>(backup);
  }

  bool DefineTag(Tag& tag) override;
  bool DefineOwnTag(Tag& tag) override { return DefineTag(tag); }
  void ForgetTag(int32_t tagId) override { forgotten.push_back(tagId); }
  bool Reinit(std::string& error) override;
  int32_t ReadValues(const Tag& tag, std::vector<TagValue>& values, int32_t* servedBy) override;
  int32_t ReadBuffer(const Tag& tag, ValueBuffer& buffer, int32_t* servedBy) override;
  ReadFailure ExplainRead(const Tag& tag, int32_t, int32_t) override;
  int PduBytes(int plc) const override { return pdus.count(plc) != 0 ? pdus.at(plc) : 0; }
  DriverWrite Write(const Tag& tag, ValueBuffer& buffer, bool single) override;
  int32_t WarmStart(int32_t& plc) override;
  std::vector<std::string> TakeLog() override { return {}; }
  // The state stays after Close, so that a test can run the bridge again on the same PLCs.
  const DriverState* state() const override { return state_.get(); }
  std::string PlcWord(int plc) const override { return PlcStateWord(*state_, plc); }
  bool NeedsWarmStart(int plc) const override { return IsPlcUnreachable(*state_, plc); }
  const std::vector<ListedPlc>& plcs() const override { return plcs_; }
  std::string DescribePlc(int number) const override;
  void Close() override { ++closes; }

  std::map<std::string, int64_t> values;                 // by tag name
  std::map<std::string, int64_t> written;                // the last value written, by tag name
  std::vector<std::string> writes;                       // tag names, in order
  std::vector<Tag> writtenTags;                          // as written, in order
  std::map<std::string, int> reads;                      // by tag name
  std::map<std::string, std::vector<double>> readTimes;  // by tag name
  std::function<void()> beforeRead;                      // the test's script, run at each read
  std::set<std::string> refused;                         // tags whose reads the PLC refuses
  std::set<std::string> refusedDefinitions;              // tags (by name) that DefineTag refuses
  std::map<int, int> pdus;                               // the PDU of each PLC, 0 until set
  std::vector<int32_t> forgotten;                        // ForgetTag's ids, in order
  std::vector<std::string> readOrder;                    // tag names, as read
  double warmStartSeconds = 0;
  double writeSeconds = 0;
  int warmStarts = 0;
  int closes = 0;
  int inits = 0;  // Reinit

 private:
  int64_t ValueOf(const std::map<std::string, int64_t>& memory, const std::string& name,
                  int32_t index) const;
  bool ClaimSlot(Tag& tag, int dataBlock, int start, int length);

  double& now_;
  std::set<int> down_;  // the PLCs set down
  std::unique_ptr<DriverState> state_;
  std::vector<ListedPlc> plcs_;
  std::map<int, std::map<std::string, int64_t>> slotValues_;  // the values when a block was read
  int32_t nextTagId_ = 1;
};

// A clock of the test: sleeping moves it; the bridge stops once it passes `until`.
BridgeClock ScriptedClock(double& now, const double& until);

}  // namespace zanhost::testing

#endif  // ZAN_TESTS_ZANHOST_BRIDGE_SCRIPTED_H_

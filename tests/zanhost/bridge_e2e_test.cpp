// zanhost bridge against a real broker and the simulator's S7 master/backup pair and S5 PLC: what
// a subscriber sees, writes that reach PLC memory (one value of a run alone), bad writes that
// never do, a set published retained, the broker going away and coming back, the master stopping,
// and a clean stop.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "demo/setup.h"
#include "demo/simulator_control.h"
#include "zanhost/bridge_fixture.h"

namespace zanhost::testing {
namespace {

constexpr double kInterval = 1;  // the bridge's default
constexpr double kWait = 10;     // the longest wait for anything that must come
constexpr const char* kTags =
    "speed,     01DW0100002,   word,      rw\n"
    "level,     01DF0100008,   float,     rw\n"
    "name,      01DS010002016, string,    rw\n"
    "setpoints, 01DW0100040,   word,  3,  rw\n"
    "alarms,    01DW0100050,   word\n"
    "s5run,     03DW010000500, bit,       rw\n"
    "t6level,   04DF0100004,   float,     rw\n"
    "bad,       01DW01000,     word,      rw\n";

std::function<bool(const Message&)> Fields(std::vector<std::pair<std::string, std::string>> want) {
  return [want](const Message& message) {
    for (const auto& [key, value] : want) {
      if (Member(message.payload, key) != value) return false;
    }
    return true;
  };
}

std::function<bool(const Message&)> Is(const std::string& payload) {
  return [payload](const Message& message) { return message.payload == payload; };
}

class BridgeTest : public PlantTest {
 protected:
  void SetUp() override {
    // PLC 4, of type 6, reaches the backup's memory by slot and keeps S5 floats there.
    StartPlant("bridge-e2e-work", DemoConfiguration() + "4=6, 127.0.0.2\n", kTags, "zandor/#");
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* plc : {kDemoMaster, kDemoBackup})
      Sim(std::string("set ") + plc + " db10 8 0x40600000");  // level 3.5
    StartBridge();
  }

  void StartBridge() {
    ASSERT_TRUE(bridge_.Start(
        {ZAN_ZANHOST_PROGRAM, "bridge", "--broker", "127.0.0.1:" + std::to_string(broker_->port()),
         "--tags", (folder_ / "tags.txt").string(), "--reconnect", "1", "-d", folder_.string()},
        (folder_ / "bridge.out").string()));
  }

  bool Seen(const std::string& topic, const std::function<bool(const Message&)>& check,
            std::size_t from = 0, double seconds = kWait) {
    return subscriber_->WaitFor(topic, check, seconds, nullptr, from);
  }
};

TEST_F(BridgeTest, ValuesAndPlcStatesAppearRetained) {
  EXPECT_TRUE(Seen("zandor/1/status", Is("online")));
  EXPECT_TRUE(Seen("zandor/1/tags/speed",
                   Fields({{"value", "1234"}, {"result", "\"done\""}, {"plc", "1"}})));
  EXPECT_TRUE(Seen("zandor/1/tags/level", Fields({{"value", "3.5"}})));
  EXPECT_TRUE(Seen("zandor/1/tags/setpoints", Fields({{"value", "[0,0,0]"}})));
  EXPECT_TRUE(Seen("zandor/1/tags/s5run", Fields({{"value", "1"}, {"plc", "3"}})));
  EXPECT_TRUE(Seen("zandor/1/tags/bad", Fields({{"value", "null"}, {"result", "\"refused\""}})));
  EXPECT_TRUE(Seen("zandor/1/plc/1", Is("{\"state\":\"active\",\"address\":\"127.0.0.1\"}")));
  EXPECT_TRUE(Seen("zandor/1/plc/2", Fields({{"state", "\"standby\""}})));
  EXPECT_TRUE(Seen("zandor/1/plc/3", Fields({{"state", "\"active\""}})));
  Message tag;
  ASSERT_TRUE(subscriber_->WaitFor("zandor/1/tags/speed", Fields({}), kWait, &tag));
  EXPECT_NE(Member(tag.payload, "time").find("Z\""), std::string::npos) << tag.payload;

  // A client that comes later gets the last of each from the broker's store.
  Subscriber later(broker_->port(), kWait);
  ASSERT_TRUE(later.WaitFor("zandor/1/tags/name", Fields({{"value", "\"\""}}), kWait, &tag));
  EXPECT_TRUE(tag.retained);
  ASSERT_TRUE(later.WaitFor("zandor/1/plc/3", Fields({}), kWait, &tag));
  EXPECT_TRUE(tag.retained);
}

TEST_F(BridgeTest, AValueChangedInThePlcAppearsWithinTwoIntervals) {
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "1234"}})));
  const std::size_t from = subscriber_->count();
  const auto changed = std::chrono::steady_clock::now();
  Sim("set 127.0.0.1 db10 2 0x08AE");  // 2222
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "2222"}}), from));
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - changed).count();
  EXPECT_LT(seconds, 2 * kInterval + 0.5);
}

TEST_F(BridgeTest, WritesOfRwTagsReachThePlcAndAreReadBack) {
  ASSERT_TRUE(Seen("zandor/1/status", Is("online")));
  const struct {
    const char* tag;
    const char* payload;
    const char* value;  // in the tag's topic afterwards
    const char* plc;
    int byte;
    int count;
    const char* memory;
  } writes[] = {
      {"speed", "4321", "4321", "127.0.0.1", 2, 2, "ok 10 E1"},
      {"level", "{\"value\": -2.25}", "-2.25", "127.0.0.1", 8, 4, "ok C0 10 00 00"},
      {"name", "Tank \u00c4", "\"Tank \u00c4\"", "127.0.0.1", 20, 8, "ok 10 06 54 61 6E 6B 20 8E"},
      {"setpoints", "[1, 2, 65535]", "[1,2,65535]", "127.0.0.1", 40, 6, "ok 00 01 00 02 FF FF"},
      {"s5run", "false", "0", "127.0.0.3", 10, 2, "ok 00 00"},
  };
  for (const auto& write : writes) {
    const std::size_t from = subscriber_->count();
    ASSERT_TRUE(
        subscriber_->Publish(std::string("zandor/1/tags/") + write.tag + "/set", write.payload));
    EXPECT_TRUE(Seen(std::string("zandor/1/tags/") + write.tag + "/result",
                     Fields({{"result", "\"done\""}, {"reason", "\"\""}}), from))
        << write.tag;
    EXPECT_TRUE(Seen(std::string("zandor/1/tags/") + write.tag,
                     Fields({{"value", write.value}, {"result", "\"done\""}}), from))
        << write.tag;
    EXPECT_EQ(Memory(write.plc, write.byte, write.count), write.memory) << write.tag;
  }
  // One value of a run alone: the others stay as the PLC holds them.
  const std::size_t from = subscriber_->count();
  Sim("set 127.0.0.1 db10 40 0x0007");  // setpoints/0, by an operator since the last round
  ASSERT_TRUE(subscriber_->Publish("zandor/1/tags/setpoints/1/set", "9"));
  EXPECT_TRUE(Seen("zandor/1/tags/setpoints/1/result",
                   Fields({{"result", "\"done\""}, {"value", "9"}}), from));
  EXPECT_EQ(Memory("127.0.0.1", 40, 6), "ok 00 07 00 09 FF FF");
  // Results are not kept by the broker.
  Subscriber later(broker_->port(), kWait);
  EXPECT_FALSE(later.WaitFor("zandor/1/tags/speed/result", Fields({}), 1));
}

TEST_F(BridgeTest, ASetPublishedRetainedWhileRunningIsCarriedOutOnceAndCleared) {
  ASSERT_TRUE(Seen("zandor/1/status", Is("online")));
  const std::size_t from = subscriber_->count();
  ASSERT_TRUE(subscriber_->Publish("zandor/1/tags/speed/set", "4444", true));
  EXPECT_TRUE(Seen("zandor/1/tags/speed/result", Fields({{"result", "\"done\""}}), from));
  EXPECT_EQ(Memory("127.0.0.1", 2, 2), "ok 11 5C");
  // The bridge took it and cleared the broker's copy: nothing for the next start to refuse.
  EXPECT_TRUE(Seen("zandor/1/tags/speed/set", Is(""), from));
  Subscriber later(broker_->port(), kWait);
  EXPECT_TRUE(later.WaitFor("zandor/1/status", Is("online"), kWait));
  EXPECT_FALSE(later.WaitFor("zandor/1/tags/speed/set", Fields({}), 0.5));
}

TEST_F(BridgeTest, BadWritesAreRefusedAndNothingIsWritten) {
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "1234"}})));
  // The heartbeat word (bytes 0 and 1) counts by itself; everything after it must stay.
  const std::string before = Memory("127.0.0.1", 2, 60);
  const std::string s5Before = Memory("127.0.0.3", 0, 40);
  const std::string typeSixBefore = Memory("127.0.0.2", 8, 4);
  const struct {
    const char* tag;
    const char* payload;
    const char* reason;
  } bad[] = {
      {"nosuch", "1", "no tag \"nosuch\" in the tag file"},
      {"alarms", "1", "is read-only"},
      {"bad", "1", "the driver refused the tag"},
      {"speed", "12a", "\"12a\" is no value"},
      {"speed", "{\"value\": ", "the payload is no JSON"},
      {"speed", "70000", "70000 does not fit a word (0 to 65535)"},
      {"level", "3.5e38", "beyond single precision"},
      {"name", "a text of 17 char", "the text has 17 characters; the tag holds 16"},
      {"setpoints", "1 2", "the tag takes 3 values, the payload holds 2"},
      {"s5run", "2", "does not fit a bit"},
      {"t6level", "2e38", "beyond the range of S5 floats"},
  };
  for (const auto& write : bad) {
    const std::size_t from = subscriber_->count();
    ASSERT_TRUE(
        subscriber_->Publish(std::string("zandor/1/tags/") + write.tag + "/set", write.payload));
    Message result;
    ASSERT_TRUE(subscriber_->WaitFor(std::string("zandor/1/tags/") + write.tag + "/result",
                                     Fields({{"result", "\"refused\""}}), kWait, &result, from))
        << write.tag << " " << write.payload;
    EXPECT_NE(MemberText(result.payload, "reason").find(write.reason), std::string::npos)
        << result.payload;
  }
  EXPECT_EQ(Memory("127.0.0.1", 2, 60), before);
  EXPECT_EQ(Memory("127.0.0.3", 0, 40), s5Before);
  EXPECT_EQ(Memory("127.0.0.2", 8, 4), typeSixBefore);
  // Each refusal is one line of the bridge.
  EXPECT_EQ(Log("bridge.out").find("70000 does not fit"),
            Log("bridge.out").rfind("70000 does not fit"));
}

TEST_F(BridgeTest, TheBrokerStoppedAndRestartedGetsEveryTagAndPlcAgain) {
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "1234"}})));
  const int port = broker_->port();
  subscriber_.reset();
  broker_->Stop();
  // Polling goes on meanwhile.
  Sim("set 127.0.0.1 db10 2 0x0D05");  // 3333
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  ASSERT_TRUE(broker_->Start(port));
  // The restarted broker kept nothing: all that comes is sent anew.
  subscriber_ = std::make_unique<Subscriber>(port, kWait);
  ASSERT_TRUE(subscriber_->connected());
  EXPECT_TRUE(Seen("zandor/1/status", Is("online")));
  EXPECT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "3333"}, {"result", "\"done\""}})));
  EXPECT_TRUE(Seen("zandor/1/tags/alarms", Fields({{"result", "\"done\""}})));
  EXPECT_TRUE(Seen("zandor/1/plc/2", Fields({{"state", "\"standby\""}})));
  const std::string out = Log("bridge.out");
  EXPECT_NE(out.find("connection lost"), std::string::npos) << out;
}

TEST_F(BridgeTest, ASetKeptByTheBrokerIsNotCarriedOutAtTheNextConnection) {
  ASSERT_TRUE(Seen("zandor/1/status", Is("online")));
  bridge_.Signal(SIGINT);
  ASSERT_EQ(bridge_.Wait(kWait), 0);
  const std::size_t published = subscriber_->count();
  ASSERT_TRUE(subscriber_->Publish("zandor/1/tags/speed/set", "99", true));
  // The broker forwards a message after it stored it: once the set comes back, a bridge that
  // subscribes finds it retained, never as a live set.
  ASSERT_TRUE(subscriber_->WaitFor("zandor/1/tags/speed/set", Is("99"), kWait, nullptr, published));
  const std::size_t from = subscriber_->count();
  StartBridge();
  Message result;
  ASSERT_TRUE(subscriber_->WaitFor("zandor/1/tags/speed/result",
                                   Fields({{"result", "\"refused\""}}), kWait, &result, from));
  EXPECT_NE(MemberText(result.payload, "reason").find("a retained set is not carried out"),
            std::string::npos);
  EXPECT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "1234"}}), from));
  EXPECT_EQ(Memory("127.0.0.1", 2, 2), "ok 04 D2");
  // Refused once: the bridge cleared it from the broker's store.
  Subscriber later(broker_->port(), kWait);
  EXPECT_TRUE(later.WaitFor("zandor/1/status", Is("online"), kWait));
  EXPECT_FALSE(later.WaitFor("zandor/1/tags/speed/set", Fields({}), 0.5));
}

TEST_F(BridgeTest, TheMasterStoppedMovesItsTagsToTheBackup) {
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"plc", "1"}, {"result", "\"done\""}})));
  const std::size_t from = subscriber_->count();
  Sim("stop 127.0.0.1");
  EXPECT_TRUE(Seen("zandor/1/plc/1", Fields({{"state", "\"link down\""}}), from));
  EXPECT_TRUE(Seen("zandor/1/plc/2", Fields({{"state", "\"active\""}}), from));
  EXPECT_TRUE(Seen("zandor/1/tags/speed",
                   Fields({{"value", "1234"}, {"result", "\"done\""}, {"plc", "2"}}), from));
  // The S5 PLC is not touched by it.
  EXPECT_FALSE(Seen("zandor/1/plc/3", Fields({{"state", "\"link down\""}}), 0, 0.1));
}

TEST_F(BridgeTest, ThePlantsTroublesAreToldAsTheyHappened) {
  ASSERT_TRUE(Seen("zandor/1/tags/speed", Fields({{"plc", "1"}, {"result", "\"done\""}})));
  // The S5 PLC answers, but after the time-out: no refusal, and no lost link either.
  Sim("fault 127.0.0.3 jitter 150-300");
  EXPECT_TRUE(Seen("zandor/1/plc/3", Fields({{"state", "\"no answer within the time-out\""}})));
  EXPECT_TRUE(Seen("zandor/1/tags/s5run", Fields({{"result", "\"unreachable\""}})));
  Sim("clear 127.0.0.3");
  // Both PLCs of the pair stop; the backup comes back first, and the pair is served by it although
  // the tag file has no heartbeat tags.
  std::size_t from = subscriber_->count();
  Sim("stop 127.0.0.1");
  Sim("stop 127.0.0.2");
  EXPECT_TRUE(Seen("zandor/1/plc/2", Fields({{"state", "\"link down\""}}), from));
  for (const Message& message : subscriber_->Messages(from)) {
    if (message.topic.rfind("zandor/1/tags/", 0) == 0) {
      EXPECT_NE(Member(message.payload, "result"), "\"refused\"") << message.topic;
    }
  }
  from = subscriber_->count();
  Sim("start 127.0.0.2");
  EXPECT_TRUE(Seen("zandor/1/tags/speed", Fields({{"result", "\"done\""}, {"plc", "2"}}), from));
  EXPECT_TRUE(Seen("zandor/1/plc/2", Fields({{"state", "\"active\""}}), from));
  EXPECT_NE(Log("bridge.out")
                .find("warm start of PLC 1 (S7 at 127.0.0.1): its backup PLC 2 back; "
                      "PLC 1 still down: TCP connection refused"),
            std::string::npos)
      << Log("bridge.out");
  Sim("start 127.0.0.1");
  EXPECT_TRUE(Seen("zandor/1/plc/1", Fields({{"state", "\"waits for its heartbeat\""}}), from));
}

// The driver frees a cache slot only at Init: a reload that renames a cache-block tag (and drops
// the tags of a planned block) initialises the instance again, or the old slot would serve the tag
// inside it, frozen, for good.
TEST_F(BridgeTest, AReloadThatRenamesACacheBlockTagAndChangesThePlanServesLiveValues) {
  EXPECT_TRUE(Seen("zandor/1/tags/speed", Fields({{"value", "1234"}})));
  const auto reload = [&](const std::string& tags, int reloads) {
    std::ofstream(folder_ / "tags.txt") << tags;
    bridge_.Signal(SIGHUP);
    // Until the bridge says it read the file again.
    for (int wait = 0; wait < kWait * 20; ++wait) {
      const std::string out = Log("bridge.out");
      int seen = 0;
      for (std::size_t at = out.find("tag file read again"); at != std::string::npos;
           at = out.find("tag file read again", at + 1)) {
        ++seen;
      }
      if (seen >= reloads) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FAIL() << "no reload in\n" << Log("bridge.out");
  };
  reload(
      "blk, 01TB01000100020, word\ninside, 01DW0100012, word\nspeed, 01DW0100002, word\n"
      "alarms, 01DW0100050, word\nsetpoints, 01DW0100040, word, 3\n",
      1);
  std::size_t from = subscriber_->count();
  Sim("set 127.0.0.1 db10 12 0x0101");
  EXPECT_TRUE(Seen("zandor/1/tags/inside", Fields({{"value", "257"}}), from));
  reload("blk2, 01TB01000100020, word\ninside, 01DW0100012, word\nspeed, 01DW0100002, word\n", 2);
  from = subscriber_->count();
  Sim("set 127.0.0.1 db10 12 0x0202");
  EXPECT_TRUE(
      Seen("zandor/1/tags/inside", Fields({{"value", "514"}, {"result", "\"done\""}}), from));
  const std::string out = Log("bridge.out");
  EXPECT_NE(out.find("so the instance was initialised again"), std::string::npos) << out;
}

TEST_F(BridgeTest, CtrlCPublishesOfflineAndClosesTheDriver) {
  ASSERT_TRUE(Seen("zandor/1/status", Is("online")));
  bridge_.Signal(SIGINT);
  EXPECT_EQ(bridge_.Wait(kWait), 0);
  Subscriber later(broker_->port(), kWait);
  Message status;
  ASSERT_TRUE(later.WaitFor("zandor/1/status", Fields({}), kWait, &status));
  EXPECT_EQ(status.payload, "offline");
  EXPECT_TRUE(status.retained);
  EXPECT_NE(Log("bridge.out").find("offline published, the driver closed"), std::string::npos);
}

TEST_F(BridgeTest, ABridgeThatDiesLeavesOfflineAsItsLastWill) {
  ASSERT_TRUE(Seen("zandor/1/status", Is("online")));
  const std::size_t from = subscriber_->count();
  bridge_.Signal(SIGKILL);
  bridge_.Wait(kWait);
  EXPECT_TRUE(Seen("zandor/1/status", Is("offline"), from));
}

}  // namespace
}  // namespace zanhost::testing

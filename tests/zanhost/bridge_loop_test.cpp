// The bridge's loop with its JSON face on a scripted clock: the broker is served while warm starts
// and queued writes take seconds each, rounds keep their interval while sets flood in, one value of
// a run is written alone, a retained set is refused once and cleared, every set taken is cleared
// from the broker, a publish that fails is reported once, and the keepalive grows with the
// driver's time-out.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bridge/json_face.h"
#include "bridge/loop.h"
#include "bridge/set_payload.h"
#include "bridge/write_queue.h"
#include "tags/host_types.h"
#include "zanhost/bridge_scripted.h"

namespace zanhost::testing {
namespace {

class BridgeLoopTest : public ::testing::Test {
 protected:
  BridgeLoopTest() : mqtt_(now_), driver_(now_, 60), table_(driver_) {}

  void Define(const std::vector<TagSpec>& specs) { table_.Define(specs); }

  // Runs the bridge with its JSON face until the clock passes `seconds` from now.
  void Run(double seconds) {
    until_ = now_ + seconds;
    BridgeSettings settings;
    settings.broker = "scripted:1883";
    settings.reconnect = 5;
    settings.tagFile = tagFile_;
    JsonFaceSettings face;
    face.prefix = "zandor/1";
    BridgeConsole console(BridgeConsole::Mode::kJson);
    BridgeClock clock = ScriptedClock(now_, until_);
    clock.takeReloadRequest = [this] {
      if (reloadAt_ == 0 || now_ < reloadAt_) return false;
      reloadAt_ = 0;
      return true;
    };
    Bridge bridge(settings, driver_, table_, mqtt_, console, clock,
                  [&](BridgeContext& context) -> std::unique_ptr<BridgeFace> {
                    return std::make_unique<JsonFace>(context, face, [this] { return now_; });
                  });
    bridge.Run();
    status_ = bridge.status();
  }

  std::vector<Published> On(const std::string& topic) const {
    std::vector<Published> found;
    for (const Published& message : mqtt_.published) {
      if (message.topic == topic) found.push_back(message);
    }
    return found;
  }

  static TagSpec Word(const std::string& name, int plc, bool writable = false) {
    TagSpec declared;
    declared.name = name;
    declared.address = (plc < 10 ? "0" : "") + std::to_string(plc) + "DW0100002";
    declared.hostType = kHostWord;
    declared.writable = writable;
    return declared;
  }

  double now_ = 1000;
  double until_ = 0;
  double reloadAt_ = 0;  // when SIGHUP comes
  std::string tagFile_;  // read again then
  ScriptedMqtt mqtt_;
  ScriptedDriver driver_;
  BridgeTable table_;
  BridgeStatus status_;
};

TEST_F(BridgeLoopTest, SixtyPlcsDownWhoseWarmStartsTakeFiveSecondsEachNeverCostTheBroker) {
  std::vector<TagSpec> specs;
  for (int plc = 1; plc <= 60; ++plc) {
    specs.push_back(Word("t" + std::to_string(plc), plc));
    driver_.SetDown(plc, true);
  }
  Define(specs);
  driver_.warmStartSeconds = 5;
  // Two rounds of sixty warm starts: ten minutes in which the broker never hears of a round.
  Run(650);
  EXPECT_GE(driver_.warmStarts, 120);
  EXPECT_EQ(mqtt_.lost, 0);
  EXPECT_EQ(mqtt_.connects, 1);
  // No step held the link longer than one warm start, far under the keepalive.
  EXPECT_LE(mqtt_.longestGap, 5 + 1e-6);
  EXPECT_LT(mqtt_.longestGap, KeepAliveSeconds(1000) / 4.0);
  EXPECT_EQ(status_.linksDown, 60);
}

TEST_F(BridgeLoopTest, QueuedWritesOfSecondsEachLetTheBrokerBeServedBetweenThem) {
  std::vector<TagSpec> specs;
  for (int i = 0; i < 10; ++i)
    specs.push_back(Word("w" + std::to_string(i), 1, true));
  Define(specs);
  driver_.writeSeconds = 5;
  for (int i = 0; i < 10; ++i) {
    mqtt_.Deliver(
        MqttMessage{"zandor/1/tags/w" + std::to_string(i) + "/set", std::to_string(i), false});
  }
  Run(120);
  EXPECT_EQ(driver_.writes.size(), 10u);
  EXPECT_EQ(mqtt_.lost, 0);
  EXPECT_LE(mqtt_.longestGap, 5 + 1e-6);
  EXPECT_EQ(On("zandor/1/tags/w9/result").size(), 1u);
  EXPECT_EQ(driver_.written["w9"], 9);
}

TEST_F(BridgeLoopTest, AFloodOfSetsLeavesEveryPlcItsRoundAtLeastEveryTwoIntervals) {
  Define({Word("speed", 1, true), Word("level", 2)});
  driver_.writeSeconds = 0.01;
  // More than can wait: the last five are refused at once, in words.
  const std::size_t flood = WriteQueue::kMaxWaiting + 5;
  for (std::size_t i = 0; i < flood; ++i)
    mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", std::to_string(i), false});
  Run(15);
  ASSERT_EQ(driver_.writes.size(), WriteQueue::kMaxWaiting);
  EXPECT_EQ(driver_.written["speed"], static_cast<int64_t>(WriteQueue::kMaxWaiting) - 1);
  const std::vector<Published> results = On("zandor/1/tags/speed/result");
  ASSERT_EQ(results.size(), flood);
  int refused = 0;
  for (const Published& result : results)
    refused += result.payload.find("writes wait already") != std::string::npos ? 1 : 0;
  EXPECT_EQ(refused, 5);
  // Ten seconds of writes, and PLC 2's tag read every interval (1 s) meanwhile.
  const std::vector<double>& reads = driver_.readTimes["level"];
  ASSERT_GE(reads.size(), 12u);
  for (std::size_t i = 1; i < reads.size(); ++i)
    EXPECT_LE(reads[i] - reads[i - 1], 2.0) << "round " << i;
  EXPECT_EQ(mqtt_.lost, 0);
}

TEST_F(BridgeLoopTest, OneValueOfARunIsWrittenAloneAndEverySetTakenIsClearedFromTheBroker) {
  TagSpec setpoints = Word("setpoints", 1, true);
  setpoints.address = "01DW0100040";
  setpoints.count = 3;
  Define({setpoints});
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/setpoints/1/set", "77", false});
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/setpoints/3/set", "77", false});
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/setpoints/set", "[1, 2]", false});
  Run(2);
  ASSERT_EQ(driver_.writtenTags.size(), 1u);
  EXPECT_EQ(driver_.writtenTags[0].count, 1);
  EXPECT_EQ(driver_.writtenTags[0].address, (10 << 16) | 21);  // byte 42
  EXPECT_EQ(driver_.writtenTags[0].text, "01DW0100042");       // named so in the driver's lines
  EXPECT_EQ(driver_.written["setpoints"], 77);
  const std::vector<Published> done = On("zandor/1/tags/setpoints/1/result");
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].payload, "{\"result\":\"done\",\"value\":77,\"reason\":\"\"}");
  const std::vector<Published> beyond = On("zandor/1/tags/setpoints/3/result");
  ASSERT_EQ(beyond.size(), 1u);
  EXPECT_NE(beyond[0].payload.find("the tag has 3 values, 0 to 2; there is no value 3"),
            std::string::npos)
      << beyond[0].payload;
  // Each set, done or refused, leaves no copy on the broker.
  for (const char* topic : {"zandor/1/tags/setpoints/1/set", "zandor/1/tags/setpoints/3/set",
                            "zandor/1/tags/setpoints/set"}) {
    const std::vector<Published> cleared = On(topic);
    ASSERT_EQ(cleared.size(), 1u) << topic;
    EXPECT_EQ(cleared[0].payload, "");
    EXPECT_TRUE(cleared[0].retain);
  }
}

TEST_F(BridgeLoopTest, ASetTopicWhoseValueNumberIsNoneIsRefusedInWordsAndCleared) {
  TagSpec setpoints = Word("setpoints", 1, true);
  setpoints.count = 3;
  Define({setpoints});
  const struct {
    const char* level;
    const char* reason;
  } cases[] = {
      {"12345", "value 12345 lies beyond every run"},
      {"-1", "\\\"-1\\\" is no value number"},
      {"x", "\\\"x\\\" is no value number"},
  };
  for (const auto& c : cases) {
    mqtt_.Deliver(
        MqttMessage{std::string("zandor/1/tags/setpoints/") + c.level + "/set", "77", false});
  }
  Run(2);
  EXPECT_TRUE(driver_.writes.empty());
  EXPECT_EQ(status_.refusedWrites, 3);
  for (const auto& c : cases) {
    const std::string topic = std::string("zandor/1/tags/setpoints/") + c.level;
    const std::vector<Published> results = On(topic + "/result");
    ASSERT_EQ(results.size(), 1u) << topic;
    EXPECT_NE(results[0].payload.find("\"refused\",\"value\":77"), std::string::npos)
        << results[0].payload;
    EXPECT_NE(results[0].payload.find(c.reason), std::string::npos) << results[0].payload;
    const std::vector<Published> cleared = On(topic + "/set");
    ASSERT_EQ(cleared.size(), 1u) << topic;
    EXPECT_EQ(cleared[0].payload, "");
    EXPECT_TRUE(cleared[0].retain);
  }
}

TEST_F(BridgeLoopTest, ASetOverTheCapIsRefusedAtOnceWithoutWaitingInTheQueue) {
  Define({Word("speed", 1, true)});
  driver_.writeSeconds = 5;
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", "1", false});
  mqtt_.Deliver(
      MqttMessage{"zandor/1/tags/speed/set", std::string(kMaxSetPayload + 1, '7'), false});
  Run(8);
  EXPECT_EQ(driver_.writes.size(), 1u);
  const std::vector<Published> results = On("zandor/1/tags/speed/result");
  ASSERT_EQ(results.size(), 2u);
  // Answered as it came, before the write that waited ahead of it was done: it never waited.
  EXPECT_NE(results[0].payload.find("the payload has 65537 bytes; a set takes at most 65536"),
            std::string::npos)
      << results[0].payload;
  EXPECT_NE(results[0].payload.find("\"value\":null"), std::string::npos) << results[0].payload;
  EXPECT_LT(results[0].at + 4, results[1].at);
  EXPECT_NE(results[1].payload.find("\"done\""), std::string::npos);
  EXPECT_EQ(On("zandor/1/tags/speed/set").size(), 2u);  // both cleared from the broker
}

TEST_F(BridgeLoopTest, AWriteThatFailedIsNotReadBack) {
  Define({Word("speed", 1, true), Word("level", 2)});
  // PLC 1 cannot be reached: each write fails, and a read back would only fail once more.
  driver_.SetDown(1, true);
  for (int i = 0; i < 5; ++i)
    mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", std::to_string(i), false});
  Run(3.5);
  EXPECT_EQ(driver_.writes.size(), 5u);
  EXPECT_EQ(status_.failedWrites, 5);
  // Read by the rounds only, as the tag of PLC 2.
  EXPECT_EQ(driver_.reads["speed"], driver_.reads["level"]);
  // A write that was done is read back.
  driver_.SetDown(1, false);
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", "9", false});
  Run(0.5);
  EXPECT_EQ(driver_.reads["speed"], driver_.reads["level"] + 1);
}

TEST_F(BridgeLoopTest, ARetainedSetIsRefusedOnceAndClearedFromTheBroker) {
  Define({Word("speed", 1, true)});
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", "99", true});
  // The broker hands the clearing on to its subscribers: an empty message, no write.
  mqtt_.Deliver(MqttMessage{"zandor/1/tags/speed/set", "", false});
  Run(3);
  EXPECT_TRUE(driver_.writes.empty());
  const std::vector<Published> results = On("zandor/1/tags/speed/result");
  ASSERT_EQ(results.size(), 1u);
  EXPECT_NE(results[0].payload.find("\"refused\""), std::string::npos);
  const std::vector<Published> cleared = On("zandor/1/tags/speed/set");
  ASSERT_EQ(cleared.size(), 1u);
  EXPECT_EQ(cleared[0].payload, "");
  EXPECT_TRUE(cleared[0].retain);
  EXPECT_EQ(status_.refusedWrites, 1);
}

TEST_F(BridgeLoopTest, APublishThatFailsIsReportedOnceAndCounted) {
  Define({Word("speed", 1), Word("level", 2)});
  mqtt_.refusedTopics.insert("zandor/1/tags/speed");
  ::testing::internal::CaptureStdout();
  // Tried again every round, reported once.
  Run(3.5);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_GE(status_.failedPublishes, 3);
  const std::string event = "\"event\":\"publish\",\"topic\":\"zandor/1/tags/speed\"";
  ASSERT_NE(out.find(event), std::string::npos) << out;
  EXPECT_EQ(out.find(event), out.rfind(event)) << out;
  EXPECT_NE(out.find("Malformed UTF-8"), std::string::npos);
  EXPECT_EQ(On("zandor/1/tags/level").size(), 1u);
}

TEST_F(BridgeLoopTest, ATagFileReadAgainPublishesNewTagsAndClearsRemovedOnesInTheSameSession) {
  Define({Word("speed", 1), Word("gone", 2)});
  tagFile_ = ::testing::TempDir() + "bridge_loop_reload_tags.txt";
  std::ofstream(tagFile_) << "speed, 01DW0100002, word\nfresh, 02DW0100004, int\n";
  reloadAt_ = now_ + 1.5;
  Run(3.5);
  EXPECT_EQ(mqtt_.connects, 1);
  ASSERT_EQ(On("zandor/1/tags/gone").size(), 2u);
  EXPECT_EQ(On("zandor/1/tags/gone")[1].payload, "");  // cleared from the broker's store
  EXPECT_TRUE(On("zandor/1/tags/gone")[1].retain);
  EXPECT_EQ(On("zandor/1/tags/fresh").size(), 1u);
  EXPECT_EQ(On("zandor/1/tags/speed").size(), 1u);  // kept, unchanged: not published again
  EXPECT_EQ(status_.tags, 2);

  // A file that cannot be read leaves the tags as they were.
  std::ofstream(tagFile_) << "speed, 01DW0100002, word\nspeed, 02DW0100004, int\n";
  reloadAt_ = now_ + 0.5;
  ::testing::internal::CaptureStdout();
  Run(1.5);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("is taken by line 1"), std::string::npos) << out;
  EXPECT_EQ(table_.tags().size(), 2u);
  std::remove(tagFile_.c_str());
}

TEST(KeepAliveTest, GrowsWithTheDriverTimeOutSoThatAStepIsAQuarterAtMost) {
  const struct {
    int timeoutMs;
    int keepAlive;
  } cases[] = {{100, 30}, {1000, 30}, {1875, 30}, {5000, 80}, {60000, 960}, {INT32_MAX, 65535}};
  for (const auto& c : cases)
    EXPECT_EQ(KeepAliveSeconds(c.timeoutMs), c.keepAlive) << c.timeoutMs;
}

}  // namespace
}  // namespace zanhost::testing

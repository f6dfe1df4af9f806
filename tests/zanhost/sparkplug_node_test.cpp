// The bridge's Sparkplug B pieces without a broker: datatypes and metric names of tags, the values
// of commands, the topics and ids, and the node on the scripted loop (bridge_scripted.h): bdSeq
// with each connection and in its will, births that wait for the primary host, a retained command
// refused and cleared, a device that dies with its PLC. Also the words for TLS failures and the
// tag file read again.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bridge/sparkplug/metrics.h"
#include "bridge/sparkplug/node.h"
#include "bridge/sparkplug/payload.h"
#include "bridge/sparkplug/topics.h"
#include "bridge/tls_words.h"
#include "tags/host_types.h"
#include "zanhost/bridge_scripted.h"

namespace zanhost::testing {
namespace {

TEST(SparkplugMetricsTest, DatatypesFollowTheHostTypeAndKind) {
  const struct {
    int32_t hostType;
    int32_t kind;
    uint32_t bit;
    uint32_t datatype;
  } cases[] = {
      {kHostWord, 0, 255, kSparkplugUInt16},      {kHostInt, 0, 255, kSparkplugInt16},
      {kHostWord, 'B', 255, kSparkplugUInt8},     {kHostWord, 0x4249, 255, kSparkplugUInt8},
      {kHostWord, 0x5749, 255, kSparkplugUInt16},  // an input word
      {kHostDint, 'D', 255, kSparkplugInt32},     {kHostDword, 'D', 255, kSparkplugUInt32},
      {kHostFloat, 'F', 255, kSparkplugFloat},    {kHostString, 'S', 255, kSparkplugString},
      {kHostBit, 0, 5, kSparkplugBoolean},        {kHostWord, 0, 5, kSparkplugBoolean},
      {kHostWord, '!', 255, kSparkplugUInt16},
  };
  for (const auto& c : cases) {
    Tag tag;
    tag.hostType = c.hostType;
    tag.kind = c.kind;
    tag.bit = c.bit;
    EXPECT_EQ(DatatypeOfTag(tag), c.datatype) << c.hostType << " " << c.kind;
  }
}

TEST(SparkplugMetricsTest, ValuesTravelAsSparkplugWantsThem) {
  BridgeTag tag;
  tag.defined = true;
  tag.spec.name = "offsets";
  tag.tag.hostType = kHostInt;
  tag.tag.count = 2;
  tag.timeMs = 1700000000123;
  tag.values.resize(2);
  tag.values[0].integer = -5;
  tag.values[1].integer = 7;
  EXPECT_EQ(MetricCount(tag), 2);
  const SparkplugMetric first = TagMetric(tag, 0, true);
  EXPECT_EQ(first.name, "offsets/0");
  EXPECT_EQ(first.datatype, kSparkplugInt16);
  EXPECT_EQ(first.integer, 0xFFFFFFFBu);  // two's complement in 32 bits
  EXPECT_EQ(first.timestamp, 1700000000123u);
  EXPECT_EQ(TagMetric(tag, 1, false).datatype, 0u);  // data messages carry no datatype
  tag.values.clear();                                // the read failed
  EXPECT_TRUE(TagMetric(tag, 1, false).isNull);
  EXPECT_EQ(MetricContent(TagMetric(tag, 1, false)), "null");
}

TEST(SparkplugMetricsTest, CommandValuesBecomeTheValuesOfAWrite) {
  SparkplugMetric metric;
  const struct {
    SparkplugMetric::Value value;
    uint64_t integer;
    double real;
    uint32_t datatype;
    const char* json;  // nullptr: refused
  } cases[] = {
      {SparkplugMetric::Value::kInt, 0xFFFFFFFB, 0, kSparkplugInt16, "-5"},
      {SparkplugMetric::Value::kInt, 0xFFFFFFFB, 0, kSparkplugUInt32, "4294967291"},
      {SparkplugMetric::Value::kInt, 70000, 0, kSparkplugUInt16, "70000"},  // the checks refuse
      {SparkplugMetric::Value::kLong, 0xFFFFFFFFFFFFFFFF, 0, kSparkplugInt64, "-1"},
      {SparkplugMetric::Value::kFloat, 0, 2.5, kSparkplugFloat, "2.5"},
      {SparkplugMetric::Value::kBoolean, 1, 0, kSparkplugBoolean, "true"},
      {SparkplugMetric::Value::kFloat, 0, 1.0 / 0.0, kSparkplugFloat, nullptr},
      {SparkplugMetric::Value::kBytes, 0, 0, kSparkplugUInt16, nullptr},
      {SparkplugMetric::Value::kNone, 0, 0, kSparkplugUInt16, nullptr},
  };
  for (const auto& c : cases) {
    metric.value = c.value;
    metric.integer = c.integer;
    metric.boolean = c.integer != 0;
    metric.real = c.real;
    std::string json;
    std::string reason;
    EXPECT_EQ(CommandValueJson(metric, c.datatype, json, reason), c.json != nullptr) << reason;
    if (c.json != nullptr) {
      EXPECT_EQ(json, c.json);
    }
  }
  metric.value = SparkplugMetric::Value::kString;
  metric.text = "Tank \"A\"";
  std::string json;
  std::string reason;
  ASSERT_TRUE(CommandValueJson(metric, kSparkplugString, json, reason));
  EXPECT_EQ(json, "\"Tank \\\"A\\\"\"");
  metric.isNull = true;
  EXPECT_FALSE(CommandValueJson(metric, kSparkplugString, json, reason));
  EXPECT_NE(reason.find("is_null"), std::string::npos);
}

TEST(SparkplugTopicsTest, TopicsIdsAndDevices) {
  EXPECT_EQ(NodeTopic("plant", "NBIRTH", "line1"), "spBv1.0/plant/NBIRTH/line1");
  EXPECT_EQ(DeviceTopic("plant", "DDATA", "line1", "plc3"), "spBv1.0/plant/DDATA/line1/plc3");
  EXPECT_EQ(StateTopic("scada"), "spBv1.0/STATE/scada");
  bool node = false;
  std::string device;
  EXPECT_TRUE(ParseCommandTopic("plant", "line1", "spBv1.0/plant/NCMD/line1", node, device));
  EXPECT_TRUE(node);
  EXPECT_TRUE(ParseCommandTopic("plant", "line1", "spBv1.0/plant/DCMD/line1/plc2", node, device));
  EXPECT_FALSE(node);
  EXPECT_EQ(device, "plc2");
  EXPECT_FALSE(ParseCommandTopic("plant", "line1", "spBv1.0/plant/DCMD/line2/plc2", node, device));
  EXPECT_FALSE(ParseCommandTopic("plant", "line1", "spBv1.0/plant/DDATA/line1/plc2", node, device));
  EXPECT_EQ(PlcOfDevice("plc12"), 12);
  for (const char* bad : {"plc", "plc0", "plc01", "PLC1", "plc1x", "plc1234"})
    EXPECT_EQ(PlcOfDevice(bad), 0) << bad;
  std::string why;
  EXPECT_TRUE(IsSparkplugId("Halle 4", "the group id", why));
  for (const char* bad : {"", "a/b", "a+", "#", "k\xfchl"})
    EXPECT_FALSE(IsSparkplugId(bad, "the group id", why)) << bad;
}

TEST(TlsWordsTest, EachFailureInWords) {
  MqttSettings settings;
  settings.host = "broker.plant";
  settings.port = 8883;
  settings.caFile = "/etc/zanhost/ca.crt";
  const struct {
    TlsFailure failure;
    const char* words;  // a part of them; "" for none
  } cases[] = {
      {{true, false, 20, {}}, "not signed by a CA of --tls-ca (/etc/zanhost/ca.crt)"},
      {{true, false, 62, {}}, "not made out for broker.plant"},
      {{true, false, 1, {"Error: host name verification failed."}}, "not made out for"},
      {{true, false, 10, {}}, "has expired"},
      {{true, false, 0, {"OpenSSL Error[0]: error:0A00010B:SSL routines::wrong version number"}},
       "speaks no TLS on that port"},
      {{true, false, 0, {"OpenSSL Error[0]: ...::tlsv13 alert certificate required"}},
       "wants a client certificate"},
      {{false, true, 0, {}}, "does it want a client certificate?"},
      {{true, false, 0, {"OpenSSL Error[0]: ...::certificate verify failed"}},
       "not signed by a CA of --tls-ca"},
      {{false, false, 0, {}}, ""},
  };
  for (const auto& c : cases) {
    const std::string words = TlsFailureWords(c.failure, settings);
    if (*c.words == '\0') {
      EXPECT_EQ(words, "");
    } else {
      EXPECT_NE(words.find(c.words), std::string::npos) << words;
    }
  }
}

// The node on the scripted loop: PLCs 1 and 2, one tag on each.
class SparkplugNodeTest : public ::testing::Test {
 protected:
  SparkplugNodeTest() : mqtt_(now_), driver_(now_, 2), table_(driver_) {
    TagSpec speed;
    speed.name = "speed";
    speed.address = "01DW0100002";
    speed.hostType = kHostWord;
    speed.writable = true;
    TagSpec level = speed;
    level.name = "level";
    level.address = "02DW0100004";
    table_.Define({speed, level});
    driver_.values["speed"] = 1234;
  }

  void Run(double seconds, const std::string& primaryHost = "") {
    until_ = now_ + seconds;
    BridgeSettings settings;
    settings.broker = "scripted:1883";
    SparkplugSettings node;
    node.group = "plant";
    node.node = "line1";
    node.primaryHost = primaryHost;
    BridgeConsole console(BridgeConsole::Mode::kJson);
    Bridge bridge(settings, driver_, table_, mqtt_, console, ScriptedClock(now_, until_),
                  [&](BridgeContext& context) -> std::unique_ptr<BridgeFace> {
                    return std::make_unique<SparkplugNode>(context, node, [] { return 1; });
                  });
    ::testing::internal::CaptureStdout();
    bridge.Run();
    out_ = ::testing::internal::GetCapturedStdout();
  }

  std::vector<std::string> Topics() const {
    std::vector<std::string> topics;
    for (const Published& message : mqtt_.published)
      topics.push_back(message.topic.substr(std::string("spBv1.0/plant/").size()));
    return topics;
  }

  static uint64_t BdSeq(const std::string& bytes) {
    SparkplugPayload payload;
    std::string error;
    EXPECT_TRUE(DecodePayload(bytes, payload, error)) << error;
    for (const SparkplugMetric& metric : payload.metrics) {
      if (metric.name == "bdSeq") return metric.integer;
    }
    ADD_FAILURE() << "no bdSeq";
    return 999;
  }

  double now_ = 1000;
  double until_ = 0;
  ScriptedMqtt mqtt_;
  ScriptedDriver driver_;
  BridgeTable table_;
  std::string out_;
};

TEST_F(SparkplugNodeTest, EachConnectionHasTheNextBdSeqInItsWillAndItsBirth) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  mqtt_.dropAt = now_ + 1;  // the broker goes away once: the node connects again
  Run(3);
  ASSERT_EQ(mqtt_.wills.size(), 2u);
  EXPECT_EQ(mqtt_.wills[0].topic, "spBv1.0/plant/NDEATH/line1");
  EXPECT_EQ(mqtt_.wills[0].qos, 1);
  EXPECT_EQ(BdSeq(mqtt_.wills[0].payload), 0u);
  EXPECT_EQ(BdSeq(mqtt_.wills[1].payload), 1u);
  std::vector<uint64_t> births;
  for (const Published& message : mqtt_.published) {
    if (message.topic.find("/NBIRTH/") != std::string::npos)
      births.push_back(BdSeq(message.payload));
  }
  EXPECT_EQ(births, (std::vector<uint64_t>{0, 1}));
  EXPECT_EQ(mqtt_.subscriptions.at(0), "spBv1.0/plant/NCMD/line1");
  EXPECT_EQ(mqtt_.subscriptions.at(1), "spBv1.0/plant/DCMD/line1/+");
}

TEST_F(SparkplugNodeTest, BirthsWaitForThePrimaryHostAndItsOfflineEndsTheConnection) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  mqtt_.Deliver(MqttMessage{"spBv1.0/STATE/scada", "{\"online\":false,\"timestamp\":5}", true});
  Run(2, "scada");
  EXPECT_EQ(Topics(), std::vector<std::string>{"NDEATH/line1"});  // only the clean stop's
  mqtt_.published.clear();
  mqtt_.Deliver(MqttMessage{"spBv1.0/STATE/scada", "{\"online\":true,\"timestamp\":6}", false});
  mqtt_.Deliver(MqttMessage{"spBv1.0/STATE/scada", "{\"online\":false,\"timestamp\":7}", false});
  Run(0.5, "scada");
  const std::vector<std::string> topics = Topics();
  ASSERT_GE(topics.size(), 4u);
  EXPECT_EQ(topics[0], "NBIRTH/line1");
  EXPECT_EQ(topics[1], "DBIRTH/line1/plc1");
  EXPECT_EQ(topics[2], "DBIRTH/line1/plc2");
  EXPECT_EQ(topics[3], "NDEATH/line1");  // offline: the death, then a new connection
  EXPECT_TRUE(mqtt_.cleanDisconnect);
  EXPECT_NE(out_.find("went offline"), std::string::npos) << out_;
}

TEST_F(SparkplugNodeTest, ARetainedCommandIsRefusedAndClearedAndADeviceDiesWithItsPlc) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  SparkplugPayload command;
  SparkplugMetric metric;
  metric.name = "speed";
  metric.value = SparkplugMetric::Value::kInt;
  metric.integer = 99;
  command.metrics.push_back(metric);
  mqtt_.Deliver(MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(command), true});
  Run(1.5);
  EXPECT_TRUE(driver_.writes.empty());
  bool cleared = false;
  for (const Published& message : mqtt_.published) {
    cleared = cleared || (message.topic == "spBv1.0/plant/DCMD/line1/plc1" &&
                          message.payload.empty() && message.retain);
  }
  EXPECT_TRUE(cleared);
  EXPECT_NE(out_.find("a retained set is not carried out"), std::string::npos) << out_;

  // PLC 2 stops after the births: its device dies, PLC 1's lives on.
  mqtt_.published.clear();
  const double stop = now_ + 1;
  driver_.beforeRead = [&] {
    if (now_ >= stop) driver_.SetDown(2, true);
  };
  Run(2.5);
  const std::vector<std::string> topics = Topics();
  const auto death = std::find(topics.begin(), topics.end(), "DDEATH/line1/plc2");
  EXPECT_NE(death, topics.end());
  EXPECT_LT(std::find(topics.begin(), topics.end(), "DBIRTH/line1/plc2"), death);
  EXPECT_EQ(std::find(topics.begin(), topics.end(), "DDEATH/line1/plc1"), topics.end());
}

TEST(BridgeReloadTest, KeptTagsKeepTheirStateNewOnesAreDefinedRemovedOnesGo) {
  double now = 0;
  ScriptedDriver driver(now, 2);
  BridgeTable table(driver);
  TagSpec speed;
  speed.name = "speed";
  speed.address = "01DW0100002";
  speed.hostType = kHostWord;
  TagSpec level = speed;
  level.name = "level";
  TagSpec gone = speed;
  gone.name = "gone";
  table.Define({speed, level, gone});
  for (BridgeTag& tag : table.tags())
    table.Read(tag);
  const int32_t speedId = table.Find("speed")->tag.tagId;

  TagSpec writable = speed;
  writable.writable = true;
  TagSpec moved = level;
  moved.address = "02DW0100002";
  TagSpec fresh = speed;
  fresh.name = "fresh";
  TagSpec refused = speed;
  refused.name = "refused";
  refused.address = "09DW0100002";  // no PLC 9
  const TagReload reload = table.Reload({writable, moved, fresh, refused});
  EXPECT_EQ(reload.kept, 1);
  EXPECT_EQ(reload.added, 3);
  ASSERT_EQ(reload.removed.size(), 1u);
  EXPECT_EQ(reload.removed[0].spec.name, "gone");
  ASSERT_EQ(reload.refused.size(), 1u);
  EXPECT_EQ(reload.refused[0].spec.name, "refused");
  ASSERT_EQ(table.tags().size(), 4u);
  const BridgeTag* kept = table.Find("speed");
  EXPECT_EQ(kept->tag.tagId, speedId);  // not defined again
  EXPECT_TRUE(kept->spec.writable);
  EXPECT_EQ(kept->result, 0);
  EXPECT_EQ(table.Find("level")->tag.plc, 2);
  EXPECT_EQ(table.Find("fresh")->result, -1);  // read with the next round
  EXPECT_EQ(table.refused(), 1);
}

}  // namespace
}  // namespace zanhost::testing

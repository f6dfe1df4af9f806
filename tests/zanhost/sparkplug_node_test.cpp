// The bridge's Sparkplug B pieces without a broker: datatypes and metric names of tags, the values
// of commands, the topics and ids, and the node on the scripted loop (bridge_scripted.h): bdSeq
// with each connection and in its will, births that wait for the primary host, nothing written or
// published but births between a death and the next NBIRTH, an element of a run written alone,
// commands over the cap refused, every result in Commands/Last Result, a retained command refused
// and cleared, a device that dies with its PLC. Also the words for TLS failures and the tag file
// read again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bridge/json_reader.h"
#include "bridge/sparkplug/host_state.h"
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
  tag.declared.name = "offsets";
  tag.tag.hostType = kHostInt;
  tag.tag.count = 2;
  tag.timeMs = 1700000000123;
  tag.values.resize(2);
  tag.values[0].integer = -5;
  tag.values[1].integer = 7;
  EXPECT_EQ(MetricCount(tag), 2);
  const SparkplugMetric first = TagMetric(tag, 0);
  EXPECT_EQ(first.name, "offsets/0");
  EXPECT_EQ(first.datatype, kSparkplugInt16);
  EXPECT_EQ(first.integer, 0xFFFFFFFBu);  // two's complement in 32 bits
  EXPECT_EQ(first.timestamp, 1700000000123u);
  tag.values.clear();  // the read failed
  EXPECT_TRUE(TagMetric(tag, 1).isNull);
  EXPECT_EQ(TagMetric(tag, 1).datatype, kSparkplugInt16);  // a null has its datatype too
  EXPECT_EQ(MetricContent(TagMetric(tag, 1)), "null");
}

TEST(SparkplugMetricsTest, ACommandCarriesItsValueInTheFieldOfTheBornDatatype) {
  using Value = SparkplugMetric::Value;
  const struct {
    uint32_t born;
    uint32_t datatype;  // the command's; 0: none
    Value value;
    uint64_t integer;
    double real;
    const char* text;
    const char* json;  // nullptr: refused, and the reason holds `text` when it is not the value
  } cases[] = {
      {kSparkplugInt16, kSparkplugInt16, Value::kInt, 0xFFFFFFFB, 0, "", "-5"},
      {kSparkplugInt16, 0, Value::kInt, 0xFFFF8000, 0, "", "-32768"},
      {kSparkplugInt16, 0, Value::kInt, 0xFFFB, 0, "", "65531"},  // the checks refuse it
      {kSparkplugInt32, 0, Value::kInt, 0x80000000, 0, "", "-2147483648"},
      {kSparkplugUInt32, 0, Value::kInt, 0xFFFFFFFB, 0, "", "4294967291"},
      {kSparkplugUInt16, 0, Value::kInt, 70000, 0, "", "70000"},  // the checks refuse it
      {kSparkplugFloat, kSparkplugFloat, Value::kFloat, 0, 2.5, "", "2.5"},
      {kSparkplugBoolean, 0, Value::kBoolean, 1, 0, "", "true"},
      {kSparkplugString, 0, Value::kString, 0, 0, "Tank \"A\"", "\"Tank \\\"A\\\"\""},
      // Another datatype, or the value in another field, is no value of the metric.
      {kSparkplugUInt16, kSparkplugFloat, Value::kFloat, 0, 12,
       "says Float; the metric was born "
       "UInt16",
       nullptr},
      {kSparkplugUInt16, kSparkplugUInt32, Value::kInt, 12, 0, "says UInt32", nullptr},
      {kSparkplugUInt16, 0, Value::kString, 0, 0,
       "a UInt16 travels in int_value; the command's "
       "value is in string_value",
       nullptr},
      {kSparkplugUInt16, 0, Value::kLong, 12, 0, "is in long_value", nullptr},
      {kSparkplugBoolean, 0, Value::kInt, 1, 0, "a Boolean travels in boolean_value", nullptr},
      {kSparkplugUInt16, 0, Value::kBytes, 0, 0, "is in bytes_value", nullptr},
      {kSparkplugUInt16, 0, Value::kNone, 0, 0, "metric has no value", nullptr},
      {kSparkplugFloat, 0, Value::kFloat, 0, 1.0 / 0.0, "no finite number", nullptr},
      {kSparkplugString, 0, Value::kString, 0, 0, "k\xfchl", nullptr},
  };
  for (const auto& c : cases) {
    SparkplugMetric metric;
    metric.datatype = c.datatype;
    metric.value = c.value;
    metric.integer = c.integer;
    metric.boolean = c.integer != 0;
    metric.real = c.real;
    metric.text = c.text;
    std::string json;
    std::string reason;
    EXPECT_EQ(CommandValueJson(metric, c.born, json, reason), c.json != nullptr) << reason;
    if (c.json != nullptr) {
      EXPECT_EQ(json, c.json);
    } else if (c.value != Value::kString) {
      EXPECT_NE(reason.find(c.text), std::string::npos) << reason;
    }
  }
  SparkplugMetric empty;
  empty.isNull = true;
  std::string json;
  std::string reason;
  EXPECT_FALSE(CommandValueJson(empty, kSparkplugString, json, reason));
  EXPECT_NE(reason.find("is_null"), std::string::npos);
}

TEST(SparkplugMetricsTest, AUInt32TravelsInLongValueForDecodersThatReadItThere) {
  BridgeTag tag;
  tag.defined = true;
  tag.declared.name = "count";
  tag.tag.hostType = kHostDword;
  tag.tag.kind = 'D';
  tag.values.resize(1);
  tag.values[0].integer = 4294967291;
  EXPECT_EQ(TagMetric(tag, 0).value, SparkplugMetric::Value::kInt);  // the 3.0 text's field
  EXPECT_EQ(TagMetric(tag, 0, true).value, SparkplugMetric::Value::kLong);
  EXPECT_EQ(TagMetric(tag, 0, true).integer, 4294967291u);
  tag.tag.hostType = kHostDint;  // an Int32 stays in int_value
  EXPECT_EQ(TagMetric(tag, 0, true).value, SparkplugMetric::Value::kInt);
  // A command's UInt32 then comes in either field, all 64 bits of long_value (the write's check
  // refuses what does not fit).
  SparkplugMetric command;
  command.value = SparkplugMetric::Value::kLong;
  command.integer = 4294967296;
  std::string json;
  std::string reason;
  EXPECT_FALSE(CommandValueJson(command, kSparkplugUInt32, json, reason));
  ASSERT_TRUE(CommandValueJson(command, kSparkplugUInt32, json, reason, true)) << reason;
  EXPECT_EQ(json, "4294967296");
  command.value = SparkplugMetric::Value::kInt;
  ASSERT_TRUE(CommandValueJson(command, kSparkplugUInt32, json, reason, true)) << reason;
  EXPECT_EQ(json, "0");  // int_value carries 32 bits
}

TEST(SparkplugHostStateTest, OnlyAStateWithABooleanAndWholeMillisecondsIsTaken) {
  const struct {
    const char* payload;
    bool taken;
    bool online;
    uint64_t timestamp;
  } cases[] = {
      {"{\"online\": true, \"timestamp\": 1700000000123}", true, true, 1700000000123},
      {"{\"timestamp\":0,\"online\":false}", true, false, 0},
      {"{\"online\":true,\"timestamp\":9007199254740992}", true, true, 9007199254740992},
      {"{\"online\":true,\"timestamp\":9007199254740993}", false, false, 0},
      {"{\"online\":true,\"timestamp\":-1}", false, false, 0},
      {"{\"online\":true,\"timestamp\":1e300}", false, false, 0},
      {"{\"online\":true,\"timestamp\":1.5}", false, false, 0},
      {"{\"online\":true}", false, false, 0},
      {"{\"online\":\"yes\",\"timestamp\":1}", false, false, 0},
      {"ONLINE", false, false, 0},
  };
  for (const auto& c : cases) {
    HostState state;
    std::string reason;
    EXPECT_EQ(ReadHostState(c.payload, state, reason), c.taken) << c.payload;
    if (!c.taken) {
      EXPECT_FALSE(reason.empty());
      continue;
    }
    EXPECT_EQ(state.online, c.online) << c.payload;
    EXPECT_EQ(state.timestamp, c.timestamp) << c.payload;
  }
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
    settings.tagFile = tagFile_;
    SparkplugSettings node;
    node.group = "plant";
    node.node = "line1";
    node.primaryHost = primaryHost;
    node.leanData = lean_;
    BridgeConsole console(BridgeConsole::Mode::kJson);
    BridgeClock clock = ScriptedClock(now_, until_);
    // SIGHUP at reloadAt_, with the messages that arrive with it.
    clock.takeReloadRequest = [this] {
      if (reloadAt_ == 0 || now_ < reloadAt_) return false;
      reloadAt_ = 0;
      for (const MqttMessage& message : atReload_)
        mqtt_.Deliver(message);
      return true;
    };
    Bridge bridge(settings, driver_, table_, mqtt_, console, clock,
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
  double reloadAt_ = 0;
  std::string tagFile_;
  std::vector<MqttMessage> atReload_;
  bool lean_ = false;
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

TEST_F(SparkplugNodeTest, BirthsFollowThePrimaryHostsNewestStateAndItsOfflineEndsTheConnection) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  // The death at offline is acknowledged only after a while: it must not come again on the next
  // connection.
  mqtt_.ackSeconds = 0.3;
  const auto state = [](const std::string& json) {
    return MqttMessage{"spBv1.0/STATE/scada", json, false};
  };
  mqtt_.Deliver(MqttMessage{"spBv1.0/STATE/scada", "{\"online\":false,\"timestamp\":5}", true});
  const double start = now_;
  std::vector<std::pair<double, MqttMessage>> script = {
      {1, state("{\"online\":true,\"timestamp\":6}")},
      {2, state("{\"online\":false,\"timestamp\":7}")},
      // After the new connection: not understood, and older than the last one.
      {4, state("{\"online\":true,\"timestamp\":-1}")},
      {4, state("{\"online\":true,\"timestamp\":6}")},
      {5, state("{\"online\":true,\"timestamp\":8}")},
  };
  driver_.beforeRead = [&] {
    while (!script.empty() && now_ >= start + script.front().first) {
      mqtt_.Deliver(script.front().second);
      script.erase(script.begin());
    }
  };
  Run(6.5, "scada");
  EXPECT_EQ(Topics(),
            (std::vector<std::string>{"NBIRTH/line1", "DBIRTH/line1/plc1", "DBIRTH/line1/plc2",
                                      "NDEATH/line1", "NBIRTH/line1", "DBIRTH/line1/plc1",
                                      "DBIRTH/line1/plc2", "NDEATH/line1"}));
  ASSERT_EQ(mqtt_.published.size(), 8u);
  EXPECT_GE(mqtt_.published[0].at, start + 1);
  EXPECT_GE(mqtt_.published[4].at, start + 5);
  const std::vector<uint64_t> bdSeqs = {
      BdSeq(mqtt_.published[0].payload), BdSeq(mqtt_.published[3].payload),
      BdSeq(mqtt_.published[4].payload), BdSeq(mqtt_.published[7].payload)};
  EXPECT_EQ(bdSeqs, (std::vector<uint64_t>{0, 0, 1, 1}));
  EXPECT_TRUE(mqtt_.cleanDisconnect);
  EXPECT_NE(out_.find("went offline"), std::string::npos) << out_;
  EXPECT_NE(out_.find("not understood: no \\\"timestamp\\\" in whole milliseconds"),
            std::string::npos)
      << out_;
}

TEST_F(SparkplugNodeTest, SeqRunsFromZeroTo255AndRoundAgainAfterEachNbirth) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  driver_.beforeRead = [&] { ++driver_.values["speed"]; };  // a DDATA every round
  Run(300);
  uint64_t expected = 0;
  int wraps = 0;
  for (const Published& message : mqtt_.published) {
    SparkplugPayload payload;
    std::string error;
    ASSERT_TRUE(DecodePayload(message.payload, payload, error)) << error;
    if (message.topic.find("/NDEATH/") != std::string::npos) {
      EXPECT_FALSE(payload.hasSeq);
      continue;
    }
    ASSERT_TRUE(payload.hasSeq) << message.topic;
    if (message.topic.find("/NBIRTH/") != std::string::npos) expected = 0;
    EXPECT_EQ(payload.seq, expected) << message.topic;
    // Every metric of every message carries its datatype.
    for (const SparkplugMetric& metric : payload.metrics)
      EXPECT_NE(metric.datatype, 0u) << message.topic << " " << metric.name;
    wraps +=
        payload.seq == 0 && expected == 0 && message.topic.find("/DDATA/") != std::string::npos;
    expected = (payload.seq + 1) % 256;
  }
  EXPECT_EQ(wraps, 1);
  EXPECT_GT(mqtt_.published.size(), 290u);
}

TEST_F(SparkplugNodeTest, ADcmdThatIsNoValueOfTheMetricNeverReachesThePlc) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  using Value = SparkplugMetric::Value;
  const struct {
    const char* device;
    const char* name;
    uint32_t datatype;
    Value value;
    const char* reason;  // a part of it
  } cases[] = {
      {"plc1", "speed", kSparkplugFloat, Value::kFloat, "says Float; the metric was born UInt16"},
      {"plc1", "speed", 0, Value::kString, "a UInt16 travels in int_value"},
      {"plc1", "speed", kSparkplugUInt16, Value::kNone, "metric has no value"},
      {"plc1", "PLC/State", kSparkplugString, Value::kString, "tells of the device"},
      {"plc1", "level", kSparkplugUInt16, Value::kInt, "has no metric \\\"level\\\""},
      {"plc1", "", kSparkplugUInt16, Value::kInt, "declares no aliases"},
      {"plc1",
       "sp\xff"
       "eed",
       kSparkplugUInt16, Value::kInt, "no metric \\\"(a name that is no UTF-8)"},
      {"plc7", "speed", kSparkplugUInt16, Value::kInt, "the node has no device plc7"},
  };
  for (const auto& c : cases) {
    SparkplugPayload command;
    SparkplugMetric metric;
    metric.name = c.name;
    metric.datatype = c.datatype;
    metric.value = c.value;
    metric.integer = 7;
    metric.text = "7";
    command.metrics.push_back(metric);
    mqtt_.Deliver(MqttMessage{std::string("spBv1.0/plant/DCMD/line1/") + c.device,
                              EncodePayload(command), false});
  }
  Run(1.5);
  EXPECT_TRUE(driver_.writes.empty());
  for (const auto& c : cases)
    EXPECT_NE(out_.find(c.reason), std::string::npos) << c.reason;
  // Each event is a line of JSON, however the names came.
  std::istringstream lines(out_);
  for (std::string line; std::getline(lines, line);) {
    JsonValue json;
    std::string error;
    EXPECT_TRUE(ParseJson(line, json, error)) << line << ": " << error;
  }
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
  EXPECT_NE(out_.find("a retained command is not carried out"), std::string::npos) << out_;
  // The value sent, not null.
  EXPECT_NE(out_.find("\"tag\":\"speed\",\"result\":\"refused\",\"value\":99"), std::string::npos)
      << out_;

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

TEST_F(SparkplugNodeTest, ADcmdOfARunElementWritesThatValueAloneAndAReadOnlyRunIsNotRead) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  TagSpec setpoints;
  setpoints.name = "setpoints";
  setpoints.address = "01DW0100040";
  setpoints.hostType = kHostWord;
  setpoints.count = 3;
  setpoints.writable = true;
  TagSpec alarms = setpoints;
  alarms.name = "alarms";
  alarms.address = "01DW0100050";
  alarms.writable = false;
  table_.Define({setpoints, alarms});
  driver_.values["setpoints"] = 10;  // read as 10, 11, 12
  SparkplugPayload command;
  for (const char* name : {"setpoints/2", "alarms/1"}) {
    SparkplugMetric metric;
    metric.name = name;
    metric.value = SparkplugMetric::Value::kInt;
    metric.integer = 40;
    command.metrics.push_back(metric);
  }
  mqtt_.Deliver(MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(command), false});
  Run(1.5);
  // One word written: data block 10, byte 44 (word offset 22), nothing else of the run.
  ASSERT_EQ(driver_.writtenTags.size(), 1u);
  EXPECT_EQ(driver_.writtenTags[0].name, "setpoints");
  EXPECT_EQ(driver_.writtenTags[0].count, 1);
  EXPECT_EQ(driver_.writtenTags[0].address, (10 << 16) | 22);
  EXPECT_EQ(driver_.written["setpoints"], 40);
  EXPECT_NE(out_.find("\"tag\":\"setpoints\",\"result\":\"done\",\"value\":40"), std::string::npos)
      << out_;
  EXPECT_NE(out_.find("read-only"), std::string::npos) << out_;
  // Every round reads each tag once; the element's write reads its run back after, never before,
  // and the refused one does not read its run at all.
  EXPECT_EQ(driver_.reads["setpoints"], driver_.reads["speed"] + 1);
  EXPECT_EQ(driver_.reads["alarms"], driver_.reads["speed"]);
  // The command came live, but it may have been published retained (the broker hands such a
  // publish on without the flag): it is cleared from the broker all the same.
  std::vector<Published> cleared;
  for (const Published& message : mqtt_.published) {
    if (message.topic == "spBv1.0/plant/DCMD/line1/plc1") cleared.push_back(message);
  }
  ASSERT_EQ(cleared.size(), 1u);
  EXPECT_EQ(cleared[0].payload, "");
  EXPECT_TRUE(cleared[0].retain);
}

// The metric `name` in the last message on `topic` from message `from` on that has it; a metric
// without a name when none has.
SparkplugMetric MetricOn(const std::vector<Published>& published, const std::string& topic,
                         const std::string& name, std::size_t from = 0) {
  SparkplugMetric found;
  for (std::size_t i = from; i < published.size(); ++i) {
    if (published[i].topic != topic) continue;
    SparkplugPayload payload;
    std::string error;
    EXPECT_TRUE(DecodePayload(published[i].payload, payload, error)) << error;
    for (const SparkplugMetric& metric : payload.metrics) {
      if (metric.name == name) found = metric;
    }
  }
  return found;
}

TEST_F(SparkplugNodeTest, ACommandsResultReachesTheHostInDdataAndEveryMetricHasItsDatatype) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  SparkplugPayload command;
  SparkplugMetric metric;
  metric.name = "speed";
  metric.value = SparkplugMetric::Value::kString;
  metric.text = "fast";
  command.metrics.push_back(metric);
  // The same refusal twice: each is a result of its own, and goes out.
  for (int i = 0; i < 2; ++i)
    mqtt_.Deliver(MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(command), false});
  Run(1.5);
  EXPECT_TRUE(driver_.writes.empty());
  const SparkplugMetric born =
      MetricOn(mqtt_.published, "spBv1.0/plant/DBIRTH/line1/plc1", kLastResultMetric);
  EXPECT_EQ(born.datatype, kSparkplugString);
  EXPECT_EQ(born.text, "");
  int results = 0;
  for (const Published& message : mqtt_.published) {
    if (message.topic != "spBv1.0/plant/DDATA/line1/plc1") continue;
    results += MetricOn({message}, message.topic, kLastResultMetric).name.empty() ? 0 : 1;
  }
  EXPECT_EQ(results, 2);
  const SparkplugMetric last =
      MetricOn(mqtt_.published, "spBv1.0/plant/DDATA/line1/plc1", kLastResultMetric);
  EXPECT_EQ(last.datatype, kSparkplugString);  // in DDATA too, by default
  JsonValue json;
  std::string error;
  ASSERT_TRUE(ParseJson(last.text, json, error)) << last.text;
  EXPECT_EQ(WriteJson(*json.Find("metric")), "\"speed\"");
  EXPECT_EQ(WriteJson(*json.Find("value")), "\"fast\"");  // what was sent, not null
  EXPECT_EQ(WriteJson(*json.Find("result")), "\"refused\"");
  EXPECT_NE(json.Find("reason")->text.find("a UInt16 travels in int_value"), std::string::npos);

  // Leaner DDATA, on request, leave the datatypes to the births.
  lean_ = true;
  const std::size_t from = mqtt_.published.size();
  driver_.beforeRead = [&] { ++driver_.values["speed"]; };  // a DDATA every round
  Run(2.5);
  bool data = false;
  for (std::size_t i = from; i < mqtt_.published.size(); ++i) {
    SparkplugPayload payload;
    ASSERT_TRUE(DecodePayload(mqtt_.published[i].payload, payload, error));
    const bool ddata = mqtt_.published[i].topic.find("/DDATA/") != std::string::npos;
    data = data || ddata;
    for (const SparkplugMetric& sent : payload.metrics)
      EXPECT_EQ(sent.datatype != 0, !ddata) << mqtt_.published[i].topic << " " << sent.name;
  }
  EXPECT_TRUE(data);
}

TEST_F(SparkplugNodeTest, BetweenADeathAndTheNextBirthTheNodeWritesNothingAndPublishesNoData) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  const auto state = [](const std::string& json) {
    return MqttMessage{"spBv1.0/STATE/scada", json, false};
  };
  const auto write = [](uint64_t value, bool retained = false) {
    SparkplugPayload command;
    SparkplugMetric metric;
    metric.name = "speed";
    metric.value = SparkplugMetric::Value::kInt;
    metric.integer = value;
    command.metrics.push_back(metric);
    return MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(command), retained};
  };
  const double start = now_;
  std::vector<std::pair<double, std::vector<MqttMessage>>> script = {
      {1, {state("{\"online\":true,\"timestamp\":6}")}},
      // A write taken just before the host goes offline waits its turn: by then the node is dead.
      {2, {write(11), state("{\"online\":false,\"timestamp\":7}")}},
      // Connected again, waiting for the host: a command and a retained one.
      {4, {write(22), write(33, true)}},
      {5, {state("{\"online\":true,\"timestamp\":8}")}},
  };
  driver_.beforeRead = [&] {
    while (!script.empty() && now_ >= start + script.front().first) {
      for (const MqttMessage& message : script.front().second)
        mqtt_.Deliver(message);
      script.erase(script.begin());
    }
  };
  Run(6.5, "scada");
  EXPECT_TRUE(driver_.writes.empty());
  // Births, the command taken cleared from the broker, the death, births again: no data, nothing
  // between.
  const std::vector<std::string> topics = Topics();
  ASSERT_GE(topics.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(topics.begin(), topics.begin() + 8),
            (std::vector<std::string>{"NBIRTH/line1", "DBIRTH/line1/plc1", "DBIRTH/line1/plc2",
                                      "DCMD/line1/plc1", "NDEATH/line1", "NBIRTH/line1",
                                      "DBIRTH/line1/plc1", "DBIRTH/line1/plc2"}));
  // The commands of the gap are cleared once the node is born again.
  EXPECT_EQ(topics[8], "DCMD/line1/plc1");
  EXPECT_EQ(mqtt_.published[8].payload, "");
  EXPECT_TRUE(mqtt_.published[8].retain);
  // Each refusal in words; the host learns of the last from the birth.
  EXPECT_NE(out_.find("the node died (NDEATH, or its connection was lost) before the write's turn"),
            std::string::npos)
      << out_;
  EXPECT_NE(out_.find("the node is not born on this connection yet (it waits for the primary host "
                      "scada to say online)"),
            std::string::npos)
      << out_;
  const SparkplugMetric last =
      MetricOn(mqtt_.published, "spBv1.0/plant/DBIRTH/line1/plc1", kLastResultMetric, 5);
  EXPECT_NE(last.text.find("\"value\":33,\"result\":\"refused\""), std::string::npos) << last.text;
}

TEST_F(SparkplugNodeTest, ADcmdOfMoreMetricsThanTheCapIsRefusedWholeAndNothingIsWritten) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  const auto command = [](std::size_t metrics) {
    SparkplugPayload payload;
    for (std::size_t i = 0; i < metrics; ++i) {
      SparkplugMetric metric;
      metric.name = "speed";
      metric.value = SparkplugMetric::Value::kInt;
      metric.integer = i;
      payload.metrics.push_back(metric);
    }
    return MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(payload), false};
  };
  mqtt_.Deliver(command(kMaxCommandMetrics + 1));
  Run(1.5);
  EXPECT_TRUE(driver_.writes.empty());
  EXPECT_NE(out_.find("the command holds 101 metrics; a DCMD takes at most 100"), std::string::npos)
      << out_;
  // The refusal reaches the host too, without a metric's name.
  EXPECT_NE(MetricOn(mqtt_.published, "spBv1.0/plant/DDATA/line1/plc1", kLastResultMetric)
                .text.find("{\"metric\":\"\",\"value\":null,\"result\":\"refused\""),
            std::string::npos);
  mqtt_.Deliver(command(kMaxCommandMetrics));
  Run(1.5);
  EXPECT_EQ(driver_.writes.size(), kMaxCommandMetrics);
  EXPECT_EQ(driver_.written["speed"], static_cast<int64_t>(kMaxCommandMetrics) - 1);
}

TEST_F(SparkplugNodeTest, AMetricOfANewTagFileIsNeitherWrittenNorPublishedBeforeItsBirth) {
  if (!HasSparkplugSupport()) GTEST_SKIP() << "no protobuf in this build";
  Run(1.5);
  // A new tag file brings the rw tag "fresh"; a command names it before the round that reads it,
  // and so before the DBIRTH that declares it.
  tagFile_ = ::testing::TempDir() + "sparkplug_node_reload_tags.txt";
  std::ofstream(tagFile_) << "speed, 01DW0100002, word, rw\nlevel, 02DW0100004, word, rw\n"
                          << "fresh, 01DW0100006, word, rw\n";
  reloadAt_ = now_ + 0.5;
  SparkplugPayload command;
  for (const char* name : {"fresh", "speed"}) {
    SparkplugMetric metric;
    metric.name = name;
    metric.value = SparkplugMetric::Value::kInt;
    metric.integer = 5;
    command.metrics.push_back(metric);
  }
  atReload_ = {MqttMessage{"spBv1.0/plant/DCMD/line1/plc1", EncodePayload(command), false}};
  const std::size_t from = mqtt_.published.size();
  Run(2.5);
  std::remove(tagFile_.c_str());
  EXPECT_EQ(driver_.writes, std::vector<std::string>{"speed"});
  EXPECT_NE(out_.find("the metric fresh (UInt16) is not in device plc1's DBIRTH"),
            std::string::npos)
      << out_;
  // Every DDATA carries only metrics of the DBIRTH before it; fresh is born in time.
  std::set<std::string> born;
  bool freshBorn = false;
  for (std::size_t i = from; i < mqtt_.published.size(); ++i) {
    const Published& message = mqtt_.published[i];
    if (message.topic.find("/plc1") == std::string::npos || message.payload.empty()) continue;
    SparkplugPayload payload;
    std::string error;
    ASSERT_TRUE(DecodePayload(message.payload, payload, error)) << error;
    if (message.topic.find("/DBIRTH/") != std::string::npos) born.clear();
    for (const SparkplugMetric& metric : payload.metrics) {
      if (message.topic.find("/DBIRTH/") != std::string::npos) {
        born.insert(metric.name);
        freshBorn = freshBorn || metric.name == "fresh";
      } else if (message.topic.find("/DDATA/") != std::string::npos) {
        EXPECT_EQ(born.count(metric.name), 1u) << metric.name << " in DDATA before its birth";
      }
    }
  }
  EXPECT_TRUE(freshBorn);
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
  EXPECT_EQ(reload.removed[0].declared.name, "gone");
  ASSERT_EQ(reload.refused.size(), 1u);
  EXPECT_EQ(reload.refused[0].declared.name, "refused");
  ASSERT_EQ(table.tags().size(), 4u);
  const BridgeTag* kept = table.Find("speed");
  EXPECT_EQ(kept->tag.tagId, speedId);  // not defined again
  EXPECT_TRUE(kept->declared.writable);
  EXPECT_EQ(kept->result, 0);
  EXPECT_EQ(table.Find("level")->tag.plc, 2);
  EXPECT_EQ(table.Find("fresh")->result, -1);  // read with the next round
  EXPECT_EQ(table.refused(), 1);
}

}  // namespace
}  // namespace zanhost::testing

// zanhost bridge --sparkplug against a real broker and the simulator, checked message by message
// as a Sparkplug B host application sees it: the births with bdSeq and seq, data by exception, a
// write by DCMD done and one refused, a rebirth, a PLC going down and coming back, the death
// certificate of a killed bridge; the tag file read again on SIGHUP and a clean stop. Payloads are
// read with our protobuf classes, and the birth and the death also by protoc against our .proto.
#include <gtest/gtest.h>
#include <mosquitto.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "bridge/sparkplug/payload.h"
#include "demo/setup.h"
#include "demo/simulator_control.h"
#include "zanhost/bridge_fixture.h"

namespace zanhost::testing {
namespace {

constexpr double kWait = 10;
constexpr const char* kNode = "spBv1.0/plant/";
constexpr const char* kTags =
    "speed,     01DW0100002,   word,      rw\n"
    "level,     01DF0100008,   float\n"
    "setpoints, 01DW0100040,   word,  3,  rw\n"
    "alarms,    01DW0100050,   word\n"
    "s5run,     03DW010000500, bit,       rw\n";

std::string Topic(const std::string& type, const std::string& device = "") {
  return std::string(kNode) + type + "/line1" + (device.empty() ? "" : "/" + device);
}

SparkplugPayload Decode(const Message& message) {
  SparkplugPayload payload;
  std::string error;
  EXPECT_TRUE(DecodePayload(message.payload, payload, error)) << message.topic << ": " << error;
  return payload;
}

const SparkplugMetric* Find(const SparkplugPayload& payload, const std::string& name) {
  for (const SparkplugMetric& metric : payload.metrics) {
    if (metric.name == name) return &metric;
  }
  return nullptr;
}

// A metric of an integer type with this value.
std::function<bool(const Message&)> Has(const std::string& name, uint64_t value) {
  return [name, value](const Message& message) {
    SparkplugPayload payload;
    std::string error;
    if (!DecodePayload(message.payload, payload, error)) return false;
    const SparkplugMetric* metric = Find(payload, name);
    return metric != nullptr && !metric->isNull && metric->integer == value;
  };
}

std::function<bool(const Message&)> Any() {
  return [](const Message&) { return true; };
}

std::string Command(const std::string& name, uint32_t datatype, uint64_t value) {
  SparkplugPayload command;
  command.timestamp = 1;
  SparkplugMetric metric;
  metric.name = name;
  metric.datatype = datatype;
  metric.value = datatype == kSparkplugBoolean ? SparkplugMetric::Value::kBoolean
                                               : SparkplugMetric::Value::kInt;
  metric.integer = value;
  metric.boolean = value != 0;
  command.metrics.push_back(metric);
  return EncodePayload(command);
}

class SparkplugTest : public PlantTest {
 protected:
  void SetUp() override {
    StartPlant("sparkplug-e2e-work", DemoConfiguration(), kTags, "spBv1.0/#");
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(bridge_.Start(
        {ZAN_ZANHOST_PROGRAM, "bridge", "--broker", "127.0.0.1:" + std::to_string(broker_->port()),
         "--tags", (folder_ / "tags.txt").string(), "--sparkplug", "plant", "--node", "line1",
         "--interval", "0.3", "--reconnect", "1", "-d", folder_.string()},
        (folder_ / "bridge.out").string()));
  }

  // The next message on `topic` from message `from` on that `check` accepts; its payload decoded.
  // `from` moves past it.
  SparkplugPayload Next(const std::string& topic, const std::function<bool(const Message&)>& check,
                        std::size_t& from) {
    Message found;
    EXPECT_TRUE(subscriber_->WaitFor(topic, check, kWait, &found, from)) << "no " << topic;
    const std::vector<Message> all = subscriber_->Messages();
    for (std::size_t i = from; i < all.size(); ++i) {
      if (all[i].topic == topic && all[i].payload == found.payload) {
        from = i + 1;
        break;
      }
    }
    return found.payload.empty() ? SparkplugPayload{} : Decode(found);
  }

  // What protoc makes of a payload with our .proto: the outside judge of our bytes.
  std::string ProtocDecode(const std::string& payload) {
    const std::filesystem::path file = folder_ / "payload.bin";
    std::ofstream(file, std::ios::binary) << payload;
    const std::filesystem::path proto = ZAN_SPARKPLUG_PROTO;
    const std::string command = "protoc --decode=zanhost.sparkplug.Payload -I " +
                                proto.parent_path().string() + " " + proto.string() + " < " +
                                file.string() + " 2>&1";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      std::size_t read = 0;
      while ((read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, read);
      pclose(pipe);
    }
    return text;
  }
};

TEST_F(SparkplugTest, ASessionMessageByMessage) {
  std::size_t at = 0;
  // Births: NBIRTH with seq 0 and the connection's bdSeq, then a DBIRTH per device, seq on by one.
  Message raw;
  ASSERT_TRUE(subscriber_->WaitFor(Topic("NBIRTH"), Any(), kWait, &raw));
  const SparkplugPayload nbirth = Next(Topic("NBIRTH"), Any(), at);
  EXPECT_TRUE(nbirth.hasSeq);
  EXPECT_EQ(nbirth.seq, 0u);
  EXPECT_GT(nbirth.timestamp, 1700000000000u);
  const SparkplugMetric* bdSeq = Find(nbirth, "bdSeq");
  ASSERT_NE(bdSeq, nullptr);
  EXPECT_EQ(bdSeq->datatype, kSparkplugUInt64);
  ASSERT_NE(Find(nbirth, "Node Control/Rebirth"), nullptr);
  EXPECT_EQ(Find(nbirth, "Node Control/Rebirth")->datatype, kSparkplugBoolean);
  EXPECT_NE(Find(nbirth, "Properties/Driver Version"), nullptr);
  const std::string decoded = ProtocDecode(raw.payload);
  EXPECT_NE(decoded.find("seq: 0"), std::string::npos) << decoded;
  EXPECT_NE(decoded.find("name: \"bdSeq\""), std::string::npos) << decoded;
  EXPECT_NE(decoded.find("name: \"Node Control/Rebirth\""), std::string::npos) << decoded;
  EXPECT_NE(decoded.find("boolean_value: false"), std::string::npos) << decoded;

  const SparkplugPayload plc1 = Next(Topic("DBIRTH", "plc1"), Any(), at);
  EXPECT_EQ(plc1.seq, 1u);
  const SparkplugMetric* speed = Find(plc1, "speed");
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->datatype, kSparkplugUInt16);
  EXPECT_EQ(speed->integer, 1234u);
  EXPECT_GT(speed->timestamp, 0u);
  ASSERT_NE(Find(plc1, "level"), nullptr);
  EXPECT_EQ(Find(plc1, "level")->datatype, kSparkplugFloat);
  EXPECT_NE(Find(plc1, "setpoints/2"), nullptr);
  ASSERT_NE(Find(plc1, "PLC/State"), nullptr);
  EXPECT_EQ(Find(plc1, "PLC/State")->text, "active");
  EXPECT_EQ(Next(Topic("DBIRTH", "plc2"), Any(), at).seq, 2u);
  const SparkplugPayload plc3 = Next(Topic("DBIRTH", "plc3"), Any(), at);
  EXPECT_EQ(plc3.seq, 3u);
  ASSERT_NE(Find(plc3, "s5run"), nullptr);
  EXPECT_EQ(Find(plc3, "s5run")->datatype, kSparkplugBoolean);
  EXPECT_TRUE(Find(plc3, "s5run")->boolean);

  // Data by exception: only what changed, with the next seq.
  Sim("set 127.0.0.1 db10 2 0x08AE");  // 2222
  SparkplugPayload data = Next(Topic("DDATA", "plc1"), Has("speed", 2222), at);
  EXPECT_EQ(data.metrics.size(), 1u);
  EXPECT_GT(data.metrics.at(0).timestamp, 0u);

  // A DCMD write goes to the PLC and comes back as data; one that does not fit never does.
  ASSERT_TRUE(
      subscriber_->Publish(Topic("DCMD", "plc1"), Command("speed", kSparkplugUInt16, 4321)));
  data = Next(Topic("DDATA", "plc1"), Has("speed", 4321), at);
  EXPECT_EQ(Memory("127.0.0.1", 2, 2), "ok 10 E1");
  ASSERT_TRUE(
      subscriber_->Publish(Topic("DCMD", "plc1"), Command("speed", kSparkplugUInt16, 70000)));
  ASSERT_TRUE(subscriber_->Publish(Topic("DCMD", "plc1"), Command("alarms", kSparkplugUInt16, 1)));
  ASSERT_TRUE(
      subscriber_->Publish(Topic("DCMD", "plc1"), Command("setpoints/1", kSparkplugUInt16, 77)));
  data = Next(Topic("DDATA", "plc1"), Has("setpoints/1", 77), at);
  EXPECT_EQ(Memory("127.0.0.1", 40, 6), "ok 00 00 00 4D 00 00");
  EXPECT_EQ(Memory("127.0.0.1", 2, 2), "ok 10 E1");
  const std::string out = Log("bridge.out");
  EXPECT_NE(out.find("70000 does not fit a word (0 to 65535)"), std::string::npos) << out;
  EXPECT_NE(out.find("is read-only"), std::string::npos) << out;

  // A rebirth: NBIRTH again from seq 0 with the same bdSeq, and every DBIRTH.
  ASSERT_TRUE(
      subscriber_->Publish(Topic("NCMD"), Command("Node Control/Rebirth", kSparkplugBoolean, 1)));
  const SparkplugPayload rebirth = Next(Topic("NBIRTH"), Any(), at);
  EXPECT_EQ(rebirth.seq, 0u);
  ASSERT_NE(Find(rebirth, "bdSeq"), nullptr);
  EXPECT_EQ(Find(rebirth, "bdSeq")->integer, bdSeq->integer);
  EXPECT_EQ(Next(Topic("DBIRTH", "plc1"), Has("speed", 4321), at).seq, 1u);

  // The S5 PLC stops: its device dies; it starts again: born again.
  Sim("stop 127.0.0.3");
  const SparkplugPayload death = Next(Topic("DDEATH", "plc3"), Any(), at);
  EXPECT_TRUE(death.hasSeq);
  EXPECT_TRUE(death.metrics.empty());
  Sim("start 127.0.0.3");
  Next(Topic("DBIRTH", "plc3"), Any(), at);

  // Every message after an NBIRTH carries seq one higher than the one before.
  uint64_t expected = 0;
  for (const Message& message : subscriber_->Messages()) {
    // Not the death, nor the commands the test sent.
    if (message.topic.find("/NDEATH/") != std::string::npos ||
        message.topic.find("CMD/") != std::string::npos) {
      continue;
    }
    const SparkplugPayload payload = Decode(message);
    ASSERT_TRUE(payload.hasSeq) << message.topic;
    if (message.topic == Topic("NBIRTH")) expected = 0;
    EXPECT_EQ(payload.seq, expected) << message.topic;
    expected = (payload.seq + 1) % 256;
  }

  // Killed: the broker publishes the will, NDEATH with the bdSeq of the births.
  bridge_.Signal(SIGKILL);
  bridge_.Wait(kWait);
  ASSERT_TRUE(subscriber_->WaitFor(Topic("NDEATH"), Any(), kWait, &raw, at));
  const SparkplugPayload ndeath = Decode(raw);
  EXPECT_FALSE(ndeath.hasSeq);
  ASSERT_NE(Find(ndeath, "bdSeq"), nullptr);
  EXPECT_EQ(Find(ndeath, "bdSeq")->integer, bdSeq->integer);
  EXPECT_NE(ProtocDecode(raw.payload).find("long_value: " + std::to_string(bdSeq->integer)),
            std::string::npos);
}

TEST_F(SparkplugTest, SighupBringsNewTagsWithoutANewSessionAndSigtermSendsTheDeath) {
  std::size_t at = 0;
  const SparkplugPayload birth = Next(Topic("NBIRTH"), Any(), at);
  Next(Topic("DBIRTH", "plc1"), Any(), at);
  std::ofstream(folder_ / "tags.txt") << "speed, 01DW0100002, word, rw\n"
                                      << "torque, 01DW0100060, int\n";
  bridge_.Signal(SIGHUP);
  // The device's metrics die and are born anew: torque in, level and the others out.
  Next(Topic("DDEATH", "plc1"), Any(), at);
  const SparkplugPayload reborn = Next(Topic("DBIRTH", "plc1"), Any(), at);
  EXPECT_NE(Find(reborn, "torque"), nullptr);
  EXPECT_EQ(Find(reborn, "torque")->datatype, kSparkplugInt16);
  EXPECT_EQ(Find(reborn, "level"), nullptr);
  // Same MQTT session: no second NBIRTH.
  int births = 0;
  for (const Message& message : subscriber_->Messages())
    births += message.topic == Topic("NBIRTH") ? 1 : 0;
  EXPECT_EQ(births, 1);
  EXPECT_NE(Log("bridge.out").find("tag file read again: 2 tags"), std::string::npos);

  bridge_.Signal(SIGTERM);
  EXPECT_EQ(bridge_.Wait(kWait), 0);
  const SparkplugPayload death = Next(Topic("NDEATH"), Any(), at);
  ASSERT_NE(Find(death, "bdSeq"), nullptr);
  EXPECT_EQ(Find(death, "bdSeq")->integer, Find(birth, "bdSeq")->integer);
}

}  // namespace
}  // namespace zanhost::testing

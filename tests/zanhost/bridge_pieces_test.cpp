// The bridge's pieces that need neither a broker nor a driver: what a write payload may hold, the
// JSON it is read with, the topics and messages, the broker address, the pauses between attempts
// to reach the broker, the warm starts of PLCs whose link is down, and the bridge's event lines.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <string>
#include <vector>

#include "bridge/broker_link.h"
#include "bridge/console.h"
#include "bridge/json_reader.h"
#include "bridge/messages.h"
#include "bridge/mqtt_session.h"
#include "bridge/set_payload.h"
#include "output/cp437.h"
#include "session/warm_start_schedule.h"
#include "tags/host_types.h"
#include "tags/tag_file.h"

namespace zanhost {
namespace {

TagShape Shape(int32_t hostType, int32_t kind, int32_t count = 1) {
  TagShape shape;
  shape.hostType = hostType;
  shape.kind = kind;
  shape.count = count;
  return shape;
}

TagShape StringShape(int32_t length) {
  TagShape shape = Shape(kHostString, 'S');
  shape.stringLength = length;
  return shape;
}

TagShape S5Float() {
  TagShape shape = Shape(kHostFloat, 'F');
  shape.s5 = true;
  return shape;
}

TEST(SetPayloadTest, AcceptsValuesThatFitTheirTag) {
  const struct {
    std::string payload;
    TagShape shape;
    std::vector<std::string> texts;
    std::string echo;
  } cases[] = {
      {"4321", Shape(kHostWord, 0), {"4321"}, "4321"},
      {" 65535\n", Shape(kHostWord, 0), {"65535"}, "65535"},
      {"{\"value\": -32768}", Shape(kHostInt, 0), {"-32768"}, "-32768"},
      {"0x1234", Shape(kHostWord, 0), {"4660"}, "4660"},
      {"\"12\"", Shape(kHostWord, 0), {"12"}, "\"12\""},  // a number sent as a text
      {"1e3", Shape(kHostDint, 'D'), {"1000"}, "1e3"},
      {"4294967295", Shape(kHostDword, 'D'), {"4294967295"}, "4294967295"},
      {"255", Shape(kHostWord, 'B'), {"255"}, "255"},
      {"true", Shape(kHostBit, 0), {"1"}, "true"},
      {"{\"value\":0}", Shape(kHostBit, 0), {"0"}, "0"},
      {"3.5", Shape(kHostFloat, 'F'), {"3.5"}, "3.5"},
      {"-3.4e38", Shape(kHostFloat, 'g'), {"-3.39999995e+38"}, "-3.4e38"},
      {"1.7e38", S5Float(), {"1.69999998e+38"}, "1.7e38"},
      {"1 2,3", Shape(kHostWord, 0, 3), {"1", "2", "3"}, "[1,2,3]"},
      {"[1, 2, 3]", Shape(kHostWord, 0, 3), {"1", "2", "3"}, "[1,2,3]"},
      {"[7]", Shape(kHostWord, 0), {"7"}, "[7]"},
      // Texts: taken as they stand, blanks and all, unless they are a JSON string.
      {" ab c", StringShape(16), {" ab c"}, "\" ab c\""},
      {"\"ab\\u00e9\"", StringShape(3), {"ab\x82"}, "\"ab\u00e9\""},
      {"{\"value\": \"\u2502x\"}", StringShape(2), {"\xB3x"}, "\"\u2502x\""},
      {std::string(16, 'A'), StringShape(16), {std::string(16, 'A')}, ""},
  };
  for (const auto& c : cases) {
    SetValues values;
    std::string echo;
    std::string reason;
    EXPECT_TRUE(ReadSetPayload(c.payload, c.shape, values, echo, reason))
        << c.payload << ": " << reason;
    EXPECT_EQ(values.texts, c.texts) << c.payload;
    if (!c.echo.empty()) {
      EXPECT_EQ(echo, c.echo) << c.payload;
    }
  }
}

TEST(SetPayloadTest, RefusesWhatDoesNotFitWithAReason) {
  TagShape bitRun = Shape(kHostBit, 0, 2);
  bitRun.bit = 3;
  const struct {
    std::string payload;
    TagShape shape;
    std::string reason;  // a part of it
  } cases[] = {
      {"65536", Shape(kHostWord, 0), "65536 does not fit a word (0 to 65535)"},
      {"-1", Shape(kHostWord, 0), "does not fit a word"},
      {"32768", Shape(kHostInt, 0), "does not fit an int (-32768 to 32767)"},
      {"256", Shape(kHostWord, 0x4249), "does not fit a byte (0 to 255)"},  // an input byte
      {"2", Shape(kHostBit, 0), "does not fit a bit (0 to 1)"},
      {"4294967296", Shape(kHostDword, 'D'), "does not fit a dword"},
      {"99999999999999999999", Shape(kHostDint, 'D'), "does not fit a dint"},
      {"1.5", Shape(kHostWord, 0), "1.5 is no whole number"},
      {"true", Shape(kHostWord, 0), "a word wants a number, not true"},
      {"3.5e38", Shape(kHostFloat, 'F'), "beyond single precision"},
      {"1e999", Shape(kHostFloat, 'F'), "beyond single precision"},
      {"1e-50", Shape(kHostFloat, 'F'), "beyond single precision"},
      {"2e38", S5Float(), "beyond the range of S5 floats"},
      {"\"abc\"", Shape(kHostFloat, 'F'), "a float wants a number, not \"abc\""},
      {"12a", Shape(kHostWord, 0), "\"12a\" is no value"},
      {"", Shape(kHostWord, 0), "the payload is empty"},
      {"[1,2", Shape(kHostWord, 0, 2), "the payload is no JSON"},
      {"{\"value\": 1", Shape(kHostWord, 0), "the payload is no JSON"},
      {"{\"val\": 1}", Shape(kHostWord, 0), "has no member \"value\""},
      {"1 2", Shape(kHostWord, 0, 3), "the tag takes 3 values, the payload holds 2"},
      {"[1, 2]", Shape(kHostWord, 0), "the tag takes 1 value, the payload holds 2"},
      {std::string(17, 'A'), StringShape(16), "the text has 17 characters; the tag holds 16"},
      {"\u20ac", StringShape(16), "lacks"},  // the euro sign is not in code page 437
      {"\"a\\u0000b\"", StringShape(16), "zero character"},
      {"\xff", StringShape(16), "no UTF-8"},
      {"[\"a\"]", Shape(kHostWord, 0), "a word wants a number"},
      {"1", Shape(kHostWord, '!'), "cannot be written"},
      {"1 0", bitRun, "a run of bit tags cannot be written"},
      {std::string(kMaxSetPayload + 1, '1'), Shape(kHostWord, 0), "a set takes at most"},
  };
  for (const auto& c : cases) {
    SetValues values;
    std::string echo;
    std::string reason;
    EXPECT_FALSE(ReadSetPayload(c.payload, c.shape, values, echo, reason)) << c.payload;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.payload << ": " << reason;
    EXPECT_TRUE(values.texts.empty()) << c.payload;
    JsonValue parsed;
    std::string error;
    EXPECT_TRUE(ParseJson(echo, parsed, error)) << "echo " << echo << ": " << error;
  }
}

// A refusal before any tag is known shows the value as it was sent, never null for a value.
TEST(SetPayloadTest, ARefusalWithoutATagEchoesTheValueSent) {
  const struct {
    std::string payload;
    const char* echo;
  } cases[] = {
      {"4321", "4321"},
      {"1 2 3", "[1,2,3]"},
      {"{\"value\": true}", "true"},
      {"fast", "\"fast\""},
      {"\"fast\"", "\"fast\""},
      {"k\xfchl", "null"},
      {std::string(kMaxSetPayload + 1, '1'), "null"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(PayloadEcho(c.payload), c.echo) << c.payload.substr(0, 20);
}

TEST(SetPayloadTest, StringLengthIsTheLastTwoCharactersOfTheAddress) {
  EXPECT_EQ(StringLengthOfAddress("01DS010002016"), 16);
  EXPECT_EQ(StringLengthOfAddress("01SB01000100 5"), 5);  // LONG_DB, a blank before the digit
  EXPECT_EQ(StringLengthOfAddress("01DS0100020x"), 0);
  EXPECT_EQ(StringLengthOfAddress("1"), 0);
}

TEST(JsonReaderTest, ReadsValuesAndRefusesMalformedText) {
  JsonValue value;
  std::string error;
  ASSERT_TRUE(
      ParseJson(" {\"a\": [1, -2.5e1, true, null], \"b\": \"x\\ud83d\\ude00\\n\"} ", value, error))
      << error;
  EXPECT_EQ(WriteJson(value), "{\"a\":[1,-2.5e1,true,null],\"b\":\"x\U0001F600\\u000a\"}");
  ASSERT_NE(value.Find("a"), nullptr);
  EXPECT_EQ(value.Find("a")->items[1].number, -25);
  EXPECT_EQ(value.Find("c"), nullptr);

  const std::string deep =
      std::string(kMaxJsonDepth + 2, '[') + std::string(kMaxJsonDepth + 2, ']');
  const std::string bad[] = {
      "",
      "01",
      "1.",
      "-",
      "+1",
      "[1,]",
      "{1:2}",
      "\"a",
      "\"\\x\"",
      "\"\\ud800\"",
      "\"\\udc00x\"",
      "\"a\tb\"",
      "\"\xc3\"",
      "\"\xed\xa0\x80\"",
      "\"\xc0\xaf\"",
      "[1] 2",
      "tru",
      deep,
  };
  for (const std::string& text : bad) {
    EXPECT_FALSE(ParseJson(text, value, error)) << text;
    EXPECT_NE(error.find("at byte"), std::string::npos) << text;
  }
}

TEST(Cp437Test, Utf8GoesBackToTheCodePage) {
  std::string out;
  ASSERT_TRUE(Utf8ToCp437("a\u00e9\u2592\u00a0", out));
  EXPECT_EQ(out, "a\x82\xB1\xFF");
  EXPECT_EQ(Cp437ToUtf8(out.c_str()), "a\u00e9\u2592\u00a0");
  EXPECT_FALSE(Utf8ToCp437("\u00e8\u20ac", out));  // the euro sign has no byte there
  EXPECT_FALSE(Utf8ToCp437("\xe9", out));          // Latin-1, not UTF-8
}

TEST(BridgeMessagesTest, TopicsAndPayloads) {
  EXPECT_EQ(TagTopic("zandor/1", "speed"), "zandor/1/tags/speed");
  EXPECT_EQ(PlcTopic("zandor/1", 3), "zandor/1/plc/3");
  EXPECT_EQ(SetSubscription("zandor/1"), "zandor/1/tags/+/set");
  EXPECT_EQ(TagMessage("[1,2]", 0, 2, "T"),
            "{\"value\":[1,2],\"result\":\"done\",\"plc\":2,\"time\":\"T\"}");
  EXPECT_EQ(TagMessage("null", 2, 1, "T"),
            "{\"value\":null,\"result\":\"unreachable\",\"plc\":1,\"time\":\"T\"}");
  EXPECT_EQ(PlcMessage("link down", "127.0.0.1"),
            "{\"state\":\"link down\",\"address\":\"127.0.0.1\"}");
  // The PLC topic's states: whatever keeps a PLC from serving is "link down"; a refused request
  // is no state of the PLC.
  EXPECT_EQ(PlcTopicState("not connected", true), "link down");
  EXPECT_EQ(PlcTopicState("active, last request refused", false), "active");
  EXPECT_EQ(PlcTopicState("heartbeat stopped", false), "heartbeat stopped");
  EXPECT_EQ(ResultMessage(1, "70000", "too big"),
            "{\"result\":\"refused\",\"value\":70000,\"reason\":\"too big\"}");

  const struct {
    const char* topic;
    const char* name;  // nullptr: no set topic of ours
    int element;
    const char* refusal;  // a part of it; "" when the set is taken
  } sets[] = {
      {"zandor/1/tags/speed/set", "speed", kWholeTag, ""},
      {"zandor/1/tags/a b/set", "a b", kWholeTag, ""},
      {"zandor/1/tags/setpoints/2/set", "setpoints", 2, ""},
      {"zandor/1/tags/setpoints/0999/set", "setpoints", 999, ""},
      {"zandor/1/tags/setpoints/00000012/set", "setpoints", 12, ""},
      {"zandor/1/tags/setpoints/9999/set", "setpoints", 9999, ""},  // refused by the tag's count
      // Set topics all the same: refused in words, never dropped without one.
      {"zandor/1/tags/x/10000/set", "x", kWholeTag, "value 10000 lies beyond every run"},
      {"zandor/1/tags/x/12345/set", "x", kWholeTag, "value 12345 lies beyond every run"},
      {"zandor/1/tags/x/-1/set", "x", kWholeTag, "\"-1\" is no value number"},
      {"zandor/1/tags/x/y/set", "x", kWholeTag, "\"y\" is no value number"},
      {"zandor/1/tags/x/ 1/set", "x", kWholeTag, "\" 1\" is no value number"},
      {"zandor/1/tags/x//set", "x", kWholeTag, "\"\" is no value number"},
      {"zandor/1/tags//set", nullptr, 0, ""},
      {"zandor/1/tags//2/set", nullptr, 0, ""},
      {"zandor/1/tags/speed", nullptr, 0, ""},
      {"zandor/1/tags/x/1/2/set", nullptr, 0, ""},
      {"zandor/1/tags/x/1/set/set", nullptr, 0, ""},
      {"zandor/12/tags/speed/set", nullptr, 0, ""},
      {"zandor/1/tags/speed/result", nullptr, 0, ""},
  };
  for (const auto& c : sets) {
    SetTopic set;
    EXPECT_EQ(ReadSetTopic("zandor/1", c.topic, set), c.name != nullptr) << c.topic;
    if (c.name == nullptr) continue;
    EXPECT_EQ(set.name, c.name);
    EXPECT_EQ(set.element, c.element) << c.topic;
    if (*c.refusal == '\0') {
      EXPECT_EQ(set.refusal, "") << c.topic;
    } else {
      EXPECT_NE(set.refusal.find(c.refusal), std::string::npos) << set.refusal;
    }
  }
  EXPECT_EQ(ElementSetSubscription("zandor/1"), "zandor/1/tags/+/+/set");
  EXPECT_EQ(ResultTopicOfSet("zandor/1/tags/setpoints/2/set"), "zandor/1/tags/setpoints/2/result");
}

TEST(BridgeMessagesTest, NamesThatCannotBeTopicLevels) {
  std::string why;
  EXPECT_TRUE(IsTopicLevel("tank level", why));
  EXPECT_TRUE(IsTopicLevel("k\xc3\xbchl", why));  // UTF-8
  // "k\xfchl": a name from a tag file saved as Latin-1, which no broker takes.
  for (const char* name : {"", "a/b", "a+", "#", "a\tb", "k\xfchl", "\xc3"})
    EXPECT_FALSE(IsTopicLevel(name, why)) << name;
  EXPECT_TRUE(IsTopicLevel("k\xc3\xbchl", why));
  EXPECT_FALSE(IsTopicLevel("k\xfchl", why));
  EXPECT_NE(why.find("no UTF-8"), std::string::npos) << why;
  EXPECT_TRUE(IsTopicPrefix("plant/line 2", why));
  for (const char* prefix : {"", "a/", "/a", "a//b", "a/+", "$SYS/x", "halle/k\xfchl"})
    EXPECT_FALSE(IsTopicPrefix(prefix, why)) << prefix;
  EXPECT_EQ(why, "the prefix is no UTF-8 text");
}

TEST(BridgeConsoleTest, AnEventIsOneLineWhateverNamesFromTheNetworkHold) {
  BridgeConsole console(BridgeConsole::Mode::kPlain);
  JsonObject json;
  json.Add("event", "set");
  ::testing::internal::CaptureStdout();
  console.Event("DCMD plc1 speed\n2024-05-01T00:00:00.000Z forged \x1b[2J <- 1: refused", json);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
  EXPECT_EQ(out.find('\x1b'), std::string::npos) << out;
  EXPECT_NE(out.find("speed\\u000a2024"), std::string::npos) << out;
}

TEST(BridgeMessagesTest, TimesAreUtcWithMilliseconds) {
  EXPECT_EQ(UtcTimeText(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(UtcTimeText(951868799999), "2000-02-29T23:59:59.999Z");
  EXPECT_EQ(UtcTimeText(1709251200001), "2024-03-01T00:00:00.001Z");
}

TEST(BrokerAddressTest, HostAndPort) {
  const struct {
    const char* text;
    const char* host;  // nullptr: refused
    int port;
  } cases[] = {
      {"localhost", "localhost", 1883},
      {"10.0.0.5:8883", "10.0.0.5", 8883},
      {"[::1]:1884", "::1", 1884},
      {"::1", "::1", 1883},
      {"host:", nullptr, 0},
      {":1883", nullptr, 0},
      {"host:0", nullptr, 0},
      {"host:65536", nullptr, 0},
      {"host:+80", nullptr, 0},
      {"[::1]x", nullptr, 0},
  };
  for (const auto& c : cases) {
    MqttSettings settings;
    std::string error;
    EXPECT_EQ(ParseBrokerAddress(c.text, settings, error), c.host != nullptr) << c.text;
    if (c.host == nullptr) continue;
    EXPECT_EQ(settings.host, c.host);
    EXPECT_EQ(settings.port, c.port);
  }
}

// A session whose connection attempts fail or succeed as the test says, on a clock of the test.
class ScriptedSession : public MqttSession {
 public:
  bool StartConnect(std::string& error) override {
    ++attempts;
    if (refuse) {
      error = "Connection refused";
      return false;
    }
    state_ = MqttState::kConnecting;
    return true;
  }
  MqttState Service(int milliseconds, std::vector<MqttMessage>&, std::string& error) override {
    *now += milliseconds / 1000.0;  // the network wait
    if (state_ == MqttState::kConnecting && answer) state_ = MqttState::kConnected;
    if (breakNow) {
      state_ = MqttState::kDown;
      breakNow = false;
      error = "connection lost";
    }
    return state_;
  }
  bool Publish(const std::string&, const std::string&, int, bool, std::string&) override {
    return true;
  }
  bool Subscribe(const std::string&, int) override { return true; }
  bool SetWill(const std::string&, const std::string&, int, bool, std::string&) override {
    return true;
  }
  bool AllDelivered() const override { return true; }
  void Disconnect() override { state_ = MqttState::kDown; }
  MqttState state() const override { return state_; }

  bool refuse = true;
  bool answer = true;
  bool breakNow = false;
  int attempts = 0;
  double* now = nullptr;

 private:
  MqttState state_ = MqttState::kDown;
};

class BrokerLinkTest : public ::testing::Test {
 protected:
  // Serves the link until the next event and returns it; the clock moves only by the sleeps.
  LinkEvent NextEvent() {
    for (int i = 0; i < 1000; ++i) {
      std::vector<MqttMessage> received;
      std::vector<LinkEvent> events;
      link_.Serve(0.05, received, events);
      if (!events.empty()) return events.front();
    }
    ADD_FAILURE() << "no event";
    return {};
  }

  BrokerLinkTest() { session_.now = &now_; }

  double now_ = 100;
  ScriptedSession session_;
  BrokerLink link_{session_, [this] { return now_; }, [this](double s) { now_ += s; }};
};

TEST_F(BrokerLinkTest, PausesGrowUpToThirtySecondsAndStartOverAfterAConnection) {
  std::vector<double> pauses;
  for (int i = 0; i < 7; ++i) {
    const LinkEvent event = NextEvent();
    EXPECT_EQ(event.kind, LinkEvent::Kind::kFailed);
    EXPECT_EQ(event.reason, "Connection refused");
    pauses.push_back(event.retryIn);
  }
  EXPECT_EQ(pauses, (std::vector<double>{1, 2, 4, 8, 16, 30, 30}));
  EXPECT_EQ(session_.attempts, 7);

  const double before = now_;
  session_.refuse = false;
  EXPECT_EQ(NextEvent().kind, LinkEvent::Kind::kConnected);
  EXPECT_GE(now_ - before, 30 - 1e-9);  // not before the pause is over
  EXPECT_TRUE(link_.connected());

  session_.breakNow = true;
  const LinkEvent lost = NextEvent();
  EXPECT_EQ(lost.kind, LinkEvent::Kind::kLost);
  EXPECT_EQ(lost.retryIn, 1);
  EXPECT_EQ(NextEvent().kind, LinkEvent::Kind::kConnected);
}

TEST_F(BrokerLinkTest, ABrokerThatNeverAnswersCountsAsFailed) {
  session_.refuse = false;
  session_.answer = false;
  const LinkEvent event = NextEvent();
  EXPECT_EQ(event.kind, LinkEvent::Kind::kFailed);
  EXPECT_NE(event.reason.find("no answer"), std::string::npos);
  EXPECT_GE(now_ - 100, kConnectSeconds);
}

TEST(WarmStartScheduleTest, ALinkDownIsWarmStartedAtOnceThenEveryPeriod) {
  WarmStartSchedule schedule(5);
  std::vector<int> calls;
  const WarmStartFunction warmStart = [&](int32_t& plc) {
    calls.push_back(plc);
    if (plc == 1) plc = 2;  // the driver restarted the backup
    return 0;
  };
  std::map<int, bool> statuses = {{1, true}, {2, false}, {3, false}};
  std::vector<WarmStartOutcome> done = WarmStartDue(warmStart, schedule, statuses, 10);
  ASSERT_EQ(done.size(), 1u);
  EXPECT_EQ(done[0].plc, 1);
  EXPECT_EQ(done[0].restarted, 2);
  EXPECT_TRUE(WarmStartDue(warmStart, schedule, statuses, 14.9).empty());
  EXPECT_EQ(WarmStartDue(warmStart, schedule, statuses, 15).size(), 1u);
  statuses[1] = false;  // back
  EXPECT_TRUE(WarmStartDue(warmStart, schedule, statuses, 30).empty());
  statuses[1] = true;  // down again: at once
  EXPECT_EQ(WarmStartDue(warmStart, schedule, statuses, 31).size(), 1u);
  EXPECT_EQ(calls, (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(schedule.Note(true), "warm start every 5 s");
  EXPECT_EQ(schedule.Note(false), "");

  WarmStartSchedule off(0);
  EXPECT_TRUE(WarmStartDue(warmStart, off, statuses, 40).empty());
  EXPECT_EQ(off.Note(true), "");
}

TEST(TagFileTest, RwMarksWritableTags) {
  std::vector<TagSpec> tags;
  std::string error;
  ASSERT_TRUE(
      ParseTagList("a, 01DW0100000, word, rw\nb, 01DW0100000, word, 3, RW\n"
                   "c, 01DW0100000, word, 2\n",
                   tags, error))
      << error;
  ASSERT_EQ(tags.size(), 3u);
  EXPECT_TRUE(tags[0].writable);
  EXPECT_EQ(tags[0].count, 1);
  EXPECT_TRUE(tags[1].writable);
  EXPECT_EQ(tags[1].count, 3);
  EXPECT_FALSE(tags[2].writable);
  EXPECT_FALSE(ParseTagList("a, 01DW0100000, word, 3, ro\n", tags, error));
  EXPECT_FALSE(ParseTagList("a, 01DW0100000, rw\n", tags, error));  // no type
  EXPECT_NE(error.find("unknown type \"rw\""), std::string::npos) << error;
}

}  // namespace
}  // namespace zanhost

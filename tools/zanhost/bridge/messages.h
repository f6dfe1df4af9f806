// The bridge's topics and the JSON it publishes on them, under a prefix (zandor/<instance> by
// default):
//
//   <prefix>/status               online, or offline (the connection's last will; a clean stop)
//   <prefix>/tags/<name>          {"value":1234,"result":"done","plc":1,"time":"...Z"}
//   <prefix>/plc/<n>              {"state":"active","address":"127.0.0.1"}
//   <prefix>/tags/<name>/set      a write: the value as text, or {"value":...}
//   <prefix>/tags/<name>/result   {"result":"done","value":4321,"reason":""}
//   <prefix>/tags/<name>/<i>/set  a write of value i (0, 1, ...) of a run alone; its answer on
//   <prefix>/tags/<name>/<i>/result
//
// Everything here is text in, text out, so that the formats are checked without a broker.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_MESSAGES_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_MESSAGES_H_

#include <cstdint>
#include <string>

namespace zanhost {

// The element of a set that writes every value of its tag, not one value of a run.
constexpr int kWholeTag = -1;

constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

std::string StatusTopic(const std::string& prefix);
std::string TagTopic(const std::string& prefix, const std::string& name);
std::string PlcTopic(const std::string& prefix, int plc);
// The topic of the answer to a set: its last level "set" taken for "result".
std::string ResultTopicOfSet(const std::string& setTopic);
// The subscription that takes the writes of every tag: <prefix>/tags/+/set.
std::string SetSubscription(const std::string& prefix);
// The subscription that takes the writes of one value of a run: <prefix>/tags/+/+/set.
std::string ElementSetSubscription(const std::string& prefix);

// What a set topic names: a tag, or one value of its run.
struct SetTopic {
  std::string name;
  int element = kWholeTag;  // the value number of a set of one value of a run
  std::string level;        // that number as the topic writes it; "" for a set of the whole tag
  std::string refusal;  // why `level` is no value number ("" when it is one): the set is refused
};

// Reads a set topic under the prefix: <prefix>/tags/<name>/set, or <prefix>/tags/<name>/<i>/set
// for value i of a run. A level <i> that is no value number (not decimal digits, more than four of
// them) still makes a set topic, whose set is refused for `refusal`. False for any other topic.
bool ReadSetTopic(const std::string& prefix, const std::string& topic, SetTopic& set);

// Whether a tag name can be one level of a topic: UTF-8 text, not empty, none of '/', '+', '#',
// no control character. False with the reason.
bool IsTopicLevel(const std::string& name, std::string& why);
// Whether a prefix can begin the topics: levels as above, not beginning with '$' (the broker's
// own topics).
bool IsTopicPrefix(const std::string& prefix, std::string& why);

// `valueJson` is the value as JSON (null when there is none); `result` the driver's result, said
// as `outcome` when that is given ("unreachable" for a link that failed although the driver
// returned 1).
std::string TagMessage(const std::string& valueJson, int32_t result, int plc,
                       const std::string& time, const std::string& outcome = "");
// `state`: the PLC's state in the words of the PLC topic (PlcTopicState).
std::string PlcMessage(const std::string& state, const std::string& address);
std::string ResultMessage(int32_t result, const std::string& valueJson, const std::string& reason);

// The state of a PLC for its topic, from the words every command uses for it
// (session/plc_state_words.h): "link down" for any PLC whose link a warm start may bring back
// (never connected included), "no answer within the time-out" for one that answers late, and the
// word itself otherwise ("heartbeat stopped", "active", "standby", ...).
std::string PlcTopicState(const std::string& word, bool unreachable);

// "2024-05-01T12:34:56.789Z" for milliseconds since 1970 (UTC).
std::string UtcTimeText(int64_t milliseconds);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_MESSAGES_H_

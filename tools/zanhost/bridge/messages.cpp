#include "bridge/messages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "output/json_writer.h"
#include "output/result_words.h"
#include "output/utf8.h"
#include "session/plc_state_words.h"

namespace zanhost {

std::string StatusTopic(const std::string& prefix) {
  return prefix + "/status";
}

std::string TagTopic(const std::string& prefix, const std::string& name) {
  return prefix + "/tags/" + name;
}

std::string PlcTopic(const std::string& prefix, int plc) {
  return prefix + "/plc/" + std::to_string(plc);
}

std::string ResultTopicOfSet(const std::string& setTopic) {
  return setTopic.substr(0, setTopic.rfind('/')) + "/result";
}

std::string SetSubscription(const std::string& prefix) {
  return prefix + "/tags/+/set";
}

std::string ElementSetSubscription(const std::string& prefix) {
  return prefix + "/tags/+/+/set";
}

namespace {

// A run has at most 1000 values (CheckArrayTag); a number beyond them is refused by the tag's
// count.
constexpr std::size_t kElementDigits = 4;

}  // namespace

bool ReadSetTopic(const std::string& prefix, const std::string& topic, SetTopic& set) {
  const std::string head = prefix + "/tags/";
  const std::string tail = "/set";
  if (topic.size() <= head.size() + tail.size() || topic.compare(0, head.size(), head) != 0 ||
      topic.compare(topic.size() - tail.size(), tail.size(), tail) != 0) {
    return false;
  }
  set = SetTopic{};
  set.name = topic.substr(head.size(), topic.size() - head.size() - tail.size());
  const std::size_t slash = set.name.find('/');
  if (slash == std::string::npos) return !set.name.empty();
  set.level = set.name.substr(slash + 1);
  set.name.resize(slash);
  // Only the levels that the subscriptions deliver: <name>/set and <name>/<level>/set.
  if (set.name.empty() || set.level.find('/') != std::string::npos) return false;
  const bool digits =
      !set.level.empty() && set.level.find_first_not_of("0123456789") == std::string::npos;
  const std::string number =
      digits ? set.level.substr(std::min(set.level.find_first_not_of('0'), set.level.size() - 1))
             : "";
  if (number.size() > kElementDigits) {
    set.refusal =
        "value " + number + " lies beyond every run: a run has at most 1000 values, 0 to 999";
    return true;
  }
  if (!digits) {
    // Named in the words only when it is short: a topic level may be of any length.
    constexpr std::size_t kShownLevel = 20;
    const std::string shown =
        set.level.size() <= kShownLevel ? "\"" + set.level + "\"" : "the level before /set";
    set.refusal = shown + " is no value number: a set of one value of a run names it in decimal " +
                  "digits, 0 for the first (" + set.name + "/0/set)";
    return true;
  }
  set.element = std::stoi(number);
  return true;
}

bool IsTopicLevel(const std::string& name, std::string& why) {
  if (name.empty()) {
    why = "an empty name";
    return false;
  }
  // A topic is UTF-8 text: the broker would refuse the message of any other name.
  if (!IsUtf8(name)) {
    why = "it is no UTF-8 text (a file saved in another code page?)";
    return false;
  }
  for (unsigned char c : name) {
    if (c == '/' || c == '+' || c == '#' || c < 0x20 || c == 0x7F) {
      why = "\"" + name + "\" holds '/', '+', '#' or a control character";
      return false;
    }
  }
  return true;
}

bool IsTopicPrefix(const std::string& prefix, std::string& why) {
  if (!prefix.empty() && prefix[0] == '$') {
    why = "topics beginning with $ belong to the broker";
    return false;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t slash = prefix.find('/', start);
    const std::string level =
        prefix.substr(start, slash == std::string::npos ? slash : slash - start);
    std::string levelWhy;
    if (!IsTopicLevel(level, levelWhy)) {
      if (!IsUtf8(prefix)) {
        why = "the prefix is no UTF-8 text";
      } else {
        why = "the prefix \"" + prefix + "\" has " +
              (level.empty() ? std::string("an empty level")
                             : "a level with '+', '#' or a control character");
      }
      return false;
    }
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

std::string TagMessage(const std::string& valueJson, int32_t result, int plc,
                       const std::string& time, const std::string& outcome) {
  JsonObject object;
  object.AddRaw("value", valueJson)
      .Add("result", outcome.empty() ? ResultWord(result) : outcome)
      .Add("plc", plc)
      .Add("time", time);
  return object.str();
}

std::string PlcMessage(const std::string& state, const std::string& address) {
  JsonObject object;
  object.Add("state", state).Add("address", address);
  return object.str();
}

std::string ResultMessage(int32_t result, const std::string& valueJson, const std::string& reason) {
  JsonObject object;
  object.Add("result", ResultWord(result)).AddRaw("value", valueJson).Add("reason", reason);
  return object.str();
}

std::string PlcTopicState(const std::string& word, bool unreachable) {
  if (unreachable && word != kNoAnswerWord) return "link down";
  return word.substr(0, word.find(','));
}

std::string UtcTimeText(int64_t milliseconds) {
  using namespace std::chrono;
  const sys_time<std::chrono::milliseconds> time{std::chrono::milliseconds(milliseconds)};
  const sys_days day = floor<days>(time);
  const year_month_day date{day};
  const hh_mm_ss<std::chrono::milliseconds> clock{time - day};
  char text[40];
  std::snprintf(
      text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
  return text;
}

}  // namespace zanhost

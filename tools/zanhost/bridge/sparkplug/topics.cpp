#include "bridge/sparkplug/topics.h"

#include <cstdlib>

#include "bridge/messages.h"
#include "output/utf8.h"

namespace zanhost {

namespace {

constexpr const char* kNamespace = "spBv1.0";

}  // namespace

std::string NodeTopic(const std::string& group, const std::string& type, const std::string& node) {
  return std::string(kNamespace) + "/" + group + "/" + type + "/" + node;
}

std::string DeviceTopic(const std::string& group, const std::string& type, const std::string& node,
                        const std::string& device) {
  return NodeTopic(group, type, node) + "/" + device;
}

std::string DeviceCommandSubscription(const std::string& group, const std::string& node) {
  return NodeTopic(group, "DCMD", node) + "/+";
}

std::string StateTopic(const std::string& host) {
  return std::string(kNamespace) + "/STATE/" + host;
}

bool ParseCommandTopic(const std::string& group, const std::string& node, const std::string& topic,
                       bool& nodeCommand, std::string& device) {
  if (topic == NodeTopic(group, "NCMD", node)) {
    nodeCommand = true;
    device.clear();
    return true;
  }
  const std::string head = NodeTopic(group, "DCMD", node) + "/";
  if (topic.size() <= head.size() || topic.compare(0, head.size(), head) != 0) return false;
  device = topic.substr(head.size());
  nodeCommand = false;
  return device.find('/') == std::string::npos;
}

bool IsSparkplugId(const std::string& id, const std::string& what, std::string& why) {
  // An id is one level of the node's topics.
  std::string ignored;
  if (IsTopicLevel(id, ignored)) return true;
  if (id.empty()) {
    why = what + " is empty";
  } else if (!IsUtf8(id)) {
    why = what + " is no UTF-8 text";
  } else {
    why = what + " \"" + id + "\" holds '/', '+', '#' or a control character";
  }
  return false;
}

std::string DeviceOfPlc(int plc) {
  return "plc" + std::to_string(plc);
}

int PlcOfDevice(const std::string& device) {
  if (device.size() < 4 || device.compare(0, 3, "plc") != 0 || device.size() > 6) return 0;
  if (device[3] == '0' || device.find_first_not_of("0123456789", 3) != std::string::npos) return 0;
  return std::atoi(device.c_str() + 3);
}

}  // namespace zanhost

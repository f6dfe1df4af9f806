// The topics of a Sparkplug B edge node: spBv1.0/<group>/<type>/<node>[/<device>], and a primary
// host's spBv1.0/STATE/<host>. Group, node, device and host ids are UTF-8 text without '/', '+' and
// '#'. Text in, text out, so that they are checked without a broker.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_TOPICS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_TOPICS_H_

#include <string>

namespace zanhost {

// "NBIRTH", "NDEATH", "NDATA", "NCMD" for the node.
std::string NodeTopic(const std::string& group, const std::string& type, const std::string& node);
// "DBIRTH", "DDEATH", "DDATA", "DCMD" for a device.
std::string DeviceTopic(const std::string& group, const std::string& type, const std::string& node,
                        const std::string& device);
// The subscription that takes the commands of every device of the node: .../DCMD/<node>/+.
std::string DeviceCommandSubscription(const std::string& group, const std::string& node);
std::string StateTopic(const std::string& host);

// A command topic of this node: `device` is "" for NCMD, the device's id for DCMD. False for any
// other topic.
bool ParseCommandTopic(const std::string& group, const std::string& node, const std::string& topic,
                       bool& nodeCommand, std::string& device);

// Whether the text can be a Sparkplug id; false with the reason ("the group id ... holds '/'").
// `what` names it in the reason ("the group id").
bool IsSparkplugId(const std::string& id, const std::string& what, std::string& why);

// The device of PLC n: "plc<n>".
std::string DeviceOfPlc(int plc);
// The PLC of a device id "plc<n>", or 0.
int PlcOfDevice(const std::string& device);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_TOPICS_H_

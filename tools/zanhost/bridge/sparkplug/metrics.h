// The metrics of the node's devices. Every configured PLC is a device, "plc<n>"; a tag belongs to
// the device of the PLC its address names (the master's for the tags of a pair, which the backup
// serves in its place; the monitored PLC's for a status tag). A tag of one value is one metric
// named as the tag; a run of n values is n metrics, "<name>/0" to "<name>/<n-1>". Each device also
// has "PLC/State" (the PLC's state in the words of the bridge's JSON topics) and "PLC/Address".
//
// Datatypes follow the host type: bit Boolean, int Int16, word UInt16 (UInt8 for a byte), dint
// Int32, dword UInt32, float Float, string String. A read that failed is a metric with is_null.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_

#include <cstdint>
#include <string>

#include "bridge/sparkplug/payload.h"
#include "bridge/tags.h"

namespace zanhost {

constexpr const char* kStateMetric = "PLC/State";
constexpr const char* kAddressMetric = "PLC/Address";

uint32_t DatatypeOfTag(const Tag& tag);
// The PLC whose device the tag belongs to; 0 for a tag the driver refused.
int DeviceOfTag(const BridgeTag& tag);
// How many metrics the tag has: its values (a string is one).
int MetricCount(const BridgeTag& tag);
std::string MetricName(const BridgeTag& tag, int index);

// Metric `index` of the tag as last read, with the read's time; the datatype only for births.
SparkplugMetric TagMetric(const BridgeTag& tag, int index, bool birth);
// A String metric.
SparkplugMetric TextMetric(const std::string& name, const std::string& text, uint64_t timestamp,
                           bool birth);

// What a metric says, for telling whether it changed since it was published: the value or null.
std::string MetricContent(const SparkplugMetric& metric);

// The value of a metric of a command as JSON, as the bridge's writes take it: a number, true or
// false, a JSON string. Integers are read by `datatype` (the metric's own, else the one the birth
// declared). False, with the reason, for a metric with no value the tag could take (is_null,
// bytes, a float that is no number).
bool CommandValueJson(const SparkplugMetric& metric, uint32_t datatype, std::string& json,
                      std::string& reason);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_

// The metrics of the node's devices. Every configured PLC is a device, "plc<n>"; a tag belongs to
// the device of the PLC its address names (the master's for the tags of a pair, which the backup
// serves in its place; the monitored PLC's for a status tag). A tag of one value is one metric
// named as the tag; a run of n values is n metrics, "<name>/0" to "<name>/<n-1>". Each device also
// has "PLC/State" (the PLC's state in the words of the bridge's JSON topics), "PLC/Address" and
// "Commands/Last Result" (the outcome of the last metric of a DCMD to the device, as JSON text).
//
// Datatypes follow the host type: bit Boolean, int Int16, word UInt16 (UInt8 for a byte), dint
// Int32, dword UInt32, float Float, string String. Every metric carries its datatype (the node
// leaves it out of DDATA only when asked to). A read that failed is a metric with is_null.
//
// Integers up to 32 bits travel in int_value, as the Sparkplug 3.0 text has it. Some decoders (the
// Sparkplug project's JavaScript library among them) read a UInt32 from long_value instead, and
// read null from int_value; `uint32InLong` sends UInt32 values in long_value for such hosts, and
// takes a command's UInt32 from either field.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_

#include <cstdint>
#include <string>

#include "bridge/sparkplug/payload.h"
#include "bridge/tags.h"

namespace zanhost {

constexpr const char* kStateMetric = "PLC/State";
constexpr const char* kAddressMetric = "PLC/Address";
constexpr const char* kLastResultMetric = "Commands/Last Result";

uint32_t DatatypeOfTag(const Tag& tag);
// The PLC whose device the tag belongs to; 0 for a tag the driver refused.
int DeviceOfTag(const BridgeTag& tag);
// How many metrics the tag has: its values (a string is one).
int MetricCount(const BridgeTag& tag);
std::string MetricName(const BridgeTag& tag, int index);

// Metric `index` of the tag as last read, with its datatype and the read's time; a UInt32 in
// long_value when `uint32InLong`.
SparkplugMetric TagMetric(const BridgeTag& tag, int index, bool uint32InLong = false);
// A String metric.
SparkplugMetric TextMetric(const std::string& name, const std::string& text, uint64_t timestamp);

// The text of Commands/Last Result: {"metric": ..., "value": ..., "result": "done"|"refused"|
// "unreachable", "reason": "..."} with the metric's name ("" for a command refused as a whole),
// the value sent as JSON, the write's result and why it was refused or failed.
std::string LastResultText(const std::string& metric, const std::string& valueJson, int32_t result,
                           const std::string& reason);

// What a metric says, for telling whether it changed since it was published: the value or null.
std::string MetricContent(const SparkplugMetric& metric);

// "UInt16" for kSparkplugUInt16; the number for a datatype that has no name.
std::string DatatypeName(uint32_t datatype);

// The value of a metric of a command as JSON, as the bridge's writes take it: a number, true or
// false, a JSON string. `born` is the datatype that the birth declared for the metric; the command
// must carry its value in the field of that datatype (int_value for Int8 to UInt32, signed ones as
// their 32-bit two's complement; float_value for a Float; boolean_value; string_value), and name no
// other datatype. False, with the reason, for anything else: another datatype, another field, no
// value, is_null, a float that is no number, a text that is no UTF-8. With `uint32InLong` a UInt32
// may come in long_value too (whole, all 64 bits of it). The value is not checked against the tag
// here (that is the write's check, which refuses what does not fit).
bool CommandValueJson(const SparkplugMetric& metric, uint32_t born, std::string& json,
                      std::string& reason, bool uint32InLong = false);

// The value that a metric of a command carries as JSON, whatever its field, for the lines and the
// answers that refuse it: a number (an integer of int_value signed when the datatype is, the
// command's or else `born`), true or false, a JSON string (bytes as "0x..." hex, a float that is no
// number as "NaN" or "Infinity"), null when it carries none or is_null, or text that is no UTF-8.
std::string SentValueJson(const SparkplugMetric& metric, uint32_t born);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_METRICS_H_

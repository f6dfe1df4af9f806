// Sparkplug B payloads through the classes that protoc generates from sparkplug_b.proto.
#include "bridge/sparkplug/payload.h"
#include "sparkplug_b.pb.h"

namespace zanhost {

namespace {

using Message = zanhost::sparkplug::Metric;

void Fill(const SparkplugMetric& metric, Message& out) {
  if (!metric.name.empty()) out.set_name(metric.name);
  if (metric.hasAlias) out.set_alias(metric.alias);
  if (metric.timestamp != 0) out.set_timestamp(metric.timestamp);
  if (metric.datatype != 0) out.set_datatype(metric.datatype);
  if (metric.isNull) out.set_is_null(true);
  switch (metric.value) {
    case SparkplugMetric::Value::kNone:
      break;
    case SparkplugMetric::Value::kInt:
      out.set_int_value(static_cast<uint32_t>(metric.integer));
      break;
    case SparkplugMetric::Value::kLong:
      out.set_long_value(metric.integer);
      break;
    case SparkplugMetric::Value::kFloat:
      out.set_float_value(static_cast<float>(metric.real));
      break;
    case SparkplugMetric::Value::kDouble:
      out.set_double_value(metric.real);
      break;
    case SparkplugMetric::Value::kBoolean:
      out.set_boolean_value(metric.boolean);
      break;
    case SparkplugMetric::Value::kString:
      out.set_string_value(metric.text);
      break;
    case SparkplugMetric::Value::kBytes:
      out.set_bytes_value(metric.text);
      break;
  }
}

SparkplugMetric Read(const Message& metric) {
  SparkplugMetric out;
  out.name = metric.name();
  out.hasAlias = metric.has_alias();
  out.alias = metric.alias();
  out.timestamp = metric.timestamp();
  out.datatype = metric.datatype();
  out.isNull = metric.is_null();
  switch (metric.value_case()) {
    case Message::kIntValue:
      out.value = SparkplugMetric::Value::kInt;
      out.integer = metric.int_value();
      break;
    case Message::kLongValue:
      out.value = SparkplugMetric::Value::kLong;
      out.integer = metric.long_value();
      break;
    case Message::kFloatValue:
      out.value = SparkplugMetric::Value::kFloat;
      out.real = metric.float_value();
      break;
    case Message::kDoubleValue:
      out.value = SparkplugMetric::Value::kDouble;
      out.real = metric.double_value();
      break;
    case Message::kBooleanValue:
      out.value = SparkplugMetric::Value::kBoolean;
      out.boolean = metric.boolean_value();
      break;
    case Message::kStringValue:
      out.value = SparkplugMetric::Value::kString;
      out.text = metric.string_value();
      break;
    case Message::kBytesValue:
      out.value = SparkplugMetric::Value::kBytes;
      out.text = metric.bytes_value();
      break;
    case Message::VALUE_NOT_SET:
      break;
  }
  return out;
}

}  // namespace

std::string EncodePayload(const SparkplugPayload& payload) {
  zanhost::sparkplug::Payload message;
  if (payload.timestamp != 0) message.set_timestamp(payload.timestamp);
  if (payload.hasSeq) message.set_seq(payload.seq);
  for (const SparkplugMetric& metric : payload.metrics)
    Fill(metric, *message.add_metrics());
  return message.SerializeAsString();
}

bool DecodePayload(const std::string& bytes, SparkplugPayload& payload, std::string& error) {
  zanhost::sparkplug::Payload message;
  if (!message.ParseFromString(bytes)) {
    error = "the payload is no Sparkplug B payload (protobuf could not read it)";
    return false;
  }
  payload = SparkplugPayload{};
  payload.timestamp = message.timestamp();
  payload.hasSeq = message.has_seq();
  payload.seq = message.seq();
  for (const Message& metric : message.metrics())
    payload.metrics.push_back(Read(metric));
  return true;
}

bool HasSparkplugSupport() {
  return true;
}

}  // namespace zanhost

#include "bridge/sparkplug/metrics.h"

#include <cmath>
#include <cstdio>

#include "output/cp437.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "output/utf8.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace zanhost {

namespace {

constexpr int32_t kStatusKind = '!';

bool IsSignedType(uint32_t datatype) {
  return datatype == kSparkplugInt8 || datatype == kSparkplugInt16 || datatype == kSparkplugInt32;
}

// The field that a value of the datatype travels in (Sparkplug B); kNone for the datatypes that no
// tag of ours is born with.
SparkplugMetric::Value FieldOf(uint32_t datatype) {
  switch (datatype) {
    case kSparkplugInt8:
    case kSparkplugInt16:
    case kSparkplugInt32:
    case kSparkplugUInt8:
    case kSparkplugUInt16:
    case kSparkplugUInt32:
      return SparkplugMetric::Value::kInt;
    case kSparkplugFloat:
      return SparkplugMetric::Value::kFloat;
    case kSparkplugBoolean:
      return SparkplugMetric::Value::kBoolean;
    case kSparkplugString:
      return SparkplugMetric::Value::kString;
    default:
      return SparkplugMetric::Value::kNone;
  }
}

// The field's name in the payload.
const char* FieldName(SparkplugMetric::Value value) {
  switch (value) {
    case SparkplugMetric::Value::kInt:
      return "int_value";
    case SparkplugMetric::Value::kLong:
      return "long_value";
    case SparkplugMetric::Value::kFloat:
      return "float_value";
    case SparkplugMetric::Value::kDouble:
      return "double_value";
    case SparkplugMetric::Value::kBoolean:
      return "boolean_value";
    case SparkplugMetric::Value::kString:
      return "string_value";
    case SparkplugMetric::Value::kBytes:
      return "bytes_value";
    case SparkplugMetric::Value::kNone:
      break;
  }
  return "no value";
}

std::string Number(double value, int digits) {
  char text[40];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

}  // namespace

uint32_t DatatypeOfTag(const Tag& tag) {
  if (tag.hostType == kHostBit || (tag.bit != 255 && LayoutOfKind(tag.kind) != CellLayout::kText)) {
    return kSparkplugBoolean;
  }
  const bool isSigned = IsSignedHostType(tag.hostType);
  switch (LayoutOfKind(tag.kind)) {
    case CellLayout::kText:
      return kSparkplugString;
    case CellLayout::kFloat:
      return kSparkplugFloat;
    case CellLayout::kBits32:
      return isSigned ? kSparkplugInt32 : kSparkplugUInt32;
    case CellLayout::kBits16:
      break;
  }
  if (IsByteKind(tag.kind)) return kSparkplugUInt8;
  return isSigned ? kSparkplugInt16 : kSparkplugUInt16;
}

int DeviceOfTag(const BridgeTag& tag) {
  if (!tag.defined) return 0;
  if ((tag.tag.kind & 0xFF) == kStatusKind) return tag.tag.address;
  return tag.tag.plc & 0xFF;
}

int MetricCount(const BridgeTag& tag) {
  return LayoutOfKind(tag.tag.kind) == CellLayout::kText ? 1 : tag.tag.count;
}

std::string MetricName(const BridgeTag& tag, int index) {
  if (MetricCount(tag) == 1) return tag.declared.name;
  return tag.declared.name + "/" + std::to_string(index);
}

SparkplugMetric TagMetric(const BridgeTag& tag, int index, bool uint32InLong) {
  SparkplugMetric metric;
  metric.name = MetricName(tag, index);
  metric.timestamp = static_cast<uint64_t>(tag.timeMs);
  const uint32_t datatype = DatatypeOfTag(tag.tag);
  metric.datatype = datatype;
  if (index < 0 || index >= static_cast<int>(tag.values.size())) {
    metric.isNull = true;
    return metric;
  }
  const TagValue& value = tag.values[static_cast<std::size_t>(index)];
  switch (datatype) {
    case kSparkplugBoolean:
      metric.value = SparkplugMetric::Value::kBoolean;
      metric.boolean = value.integer != 0;
      break;
    case kSparkplugString:
      metric.value = SparkplugMetric::Value::kString;
      metric.text = Cp437ToUtf8(value.text.c_str());
      break;
    case kSparkplugFloat:
      metric.value = SparkplugMetric::Value::kFloat;
      metric.real = value.real;
      break;
    default:
      // Signed ones as their two's complement in 32 bits.
      metric.value = uint32InLong && datatype == kSparkplugUInt32 ? SparkplugMetric::Value::kLong
                                                                  : SparkplugMetric::Value::kInt;
      metric.integer = static_cast<uint32_t>(value.integer);
      break;
  }
  return metric;
}

SparkplugMetric TextMetric(const std::string& name, const std::string& text, uint64_t timestamp) {
  SparkplugMetric metric;
  metric.name = name;
  metric.timestamp = timestamp;
  metric.datatype = kSparkplugString;
  metric.value = SparkplugMetric::Value::kString;
  metric.text = text;
  return metric;
}

std::string LastResultText(const std::string& metric, const std::string& valueJson, int32_t result,
                           const std::string& reason) {
  JsonObject text;
  text.Add("metric", metric)
      .AddRaw("value", valueJson)
      .Add("result", ResultWord(result))
      .Add("reason", reason);
  return text.str();
}

std::string MetricContent(const SparkplugMetric& metric) {
  if (metric.isNull) return "null";
  switch (metric.value) {
    case SparkplugMetric::Value::kInt:
    case SparkplugMetric::Value::kLong:
      return "i" + std::to_string(metric.integer);
    case SparkplugMetric::Value::kFloat:
    case SparkplugMetric::Value::kDouble:
      return "f" + Number(metric.real, 17);
    case SparkplugMetric::Value::kBoolean:
      return metric.boolean ? "true" : "false";
    case SparkplugMetric::Value::kString:
    case SparkplugMetric::Value::kBytes:
      return "s" + metric.text;
    case SparkplugMetric::Value::kNone:
      break;
  }
  return "none";
}

std::string DatatypeName(uint32_t datatype) {
  static const char* const kNames[] = {"",       "Int8",    "Int16",  "Int32",    "Int64",
                                       "UInt8",  "UInt16",  "UInt32", "UInt64",   "Float",
                                       "Double", "Boolean", "String", "DateTime", "Text"};
  if (datatype < sizeof kNames / sizeof kNames[0] && datatype != 0) return kNames[datatype];
  return "datatype " + std::to_string(datatype);
}

bool CommandValueJson(const SparkplugMetric& metric, uint32_t born, std::string& json,
                      std::string& reason, bool uint32InLong) {
  if (metric.datatype != 0 && metric.datatype != born) {
    reason = "the command says " + DatatypeName(metric.datatype) + "; the metric was born " +
             DatatypeName(born);
    return false;
  }
  if (metric.isNull) {
    reason = "the metric carries no value (is_null)";
    return false;
  }
  const SparkplugMetric::Value field = FieldOf(born);
  if (uint32InLong && born == kSparkplugUInt32 && metric.value == SparkplugMetric::Value::kLong) {
    // All 64 bits: the write's check refuses what does not fit, nothing is cut.
    json = std::to_string(metric.integer);
    return true;
  }
  if (metric.value != field) {
    const bool eitherField = uint32InLong && born == kSparkplugUInt32;
    reason = "a " + DatatypeName(born) + " travels in " +
             (eitherField ? std::string("long_value or int_value") : FieldName(field)) +
             "; the command's " +
             (metric.value == SparkplugMetric::Value::kNone
                  ? std::string("metric has no value")
                  : std::string("value is in ") + FieldName(metric.value));
    return false;
  }
  switch (field) {
    case SparkplugMetric::Value::kInt: {
      // Int8 to Int32 travel as their 32-bit two's complement.
      const auto bits = static_cast<uint32_t>(metric.integer);
      json = IsSignedType(born) ? std::to_string(static_cast<int32_t>(bits)) : std::to_string(bits);
      return true;
    }
    case SparkplugMetric::Value::kFloat:
      if (!std::isfinite(metric.real)) {
        reason = "the metric's value is no finite number";
        return false;
      }
      json = Number(metric.real, 9);
      return true;
    case SparkplugMetric::Value::kBoolean:
      json = metric.boolean ? "true" : "false";
      return true;
    case SparkplugMetric::Value::kString:
      if (!IsUtf8(metric.text)) {
        reason = "the metric's text is no UTF-8";
        return false;
      }
      json = JsonString(metric.text);
      return true;
    default:
      break;
  }
  reason = "no tag takes a " + DatatypeName(born);
  return false;
}

std::string SentValueJson(const SparkplugMetric& metric, uint32_t born) {
  if (metric.isNull) return "null";
  const uint32_t datatype = metric.datatype != 0 ? metric.datatype : born;
  switch (metric.value) {
    case SparkplugMetric::Value::kInt: {
      const auto bits = static_cast<uint32_t>(metric.integer);
      return IsSignedType(datatype) ? std::to_string(static_cast<int32_t>(bits))
                                    : std::to_string(bits);
    }
    case SparkplugMetric::Value::kLong:
      return datatype == kSparkplugInt64 ? std::to_string(static_cast<int64_t>(metric.integer))
                                         : std::to_string(metric.integer);
    case SparkplugMetric::Value::kFloat:
    case SparkplugMetric::Value::kDouble:
      if (std::isnan(metric.real)) return JsonString("NaN");
      if (std::isinf(metric.real)) return JsonString(metric.real > 0 ? "Infinity" : "-Infinity");
      return Number(metric.real, metric.value == SparkplugMetric::Value::kFloat ? 9 : 17);
    case SparkplugMetric::Value::kBoolean:
      return metric.boolean ? "true" : "false";
    case SparkplugMetric::Value::kString:
      return IsUtf8(metric.text) ? JsonString(metric.text) : "null";
    case SparkplugMetric::Value::kBytes: {
      // Enough of them to recognise.
      constexpr std::size_t kShownBytes = 32;
      std::string hex = "0x";
      char digits[3];
      for (std::size_t i = 0; i < metric.text.size() && i < kShownBytes; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(metric.text[i]));
        hex += digits;
      }
      if (metric.text.size() > kShownBytes) hex += "...";
      return JsonString(hex);
    }
    case SparkplugMetric::Value::kNone:
      break;
  }
  return "null";
}

}  // namespace zanhost

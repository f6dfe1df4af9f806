// Any bytes as what a Sparkplug B host sends the bridge's node: the payload of a command (DCMD,
// NCMD), read with our protobuf classes, and a primary host's STATE. Each metric of a command is
// taken as the value of a write to a tag of every datatype that the node's tags are born with, and
// what is taken goes through the write's check against such a tag. The reading must never read out
// of bounds; a value taken is JSON; a whole number is the one the command carried, read by its
// datatype (the signed ones as two's complement), and the check takes it exactly when it fits the
// tag and writes it unchanged: nothing is cut or wrapped. Every refusal says why, in UTF-8, and
// shows the value sent as JSON.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bridge/json_reader.h"
#include "bridge/set_payload.h"
#include "bridge/sparkplug/host_state.h"
#include "bridge/sparkplug/metrics.h"
#include "bridge/sparkplug/payload.h"
#include "output/utf8.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

struct Born {
  uint32_t datatype;
  zanhost::TagShape shape;
  int64_t low;  // the whole numbers the tag holds
  int64_t high;
};

zanhost::TagShape Shape(int32_t hostType, int32_t kind, uint32_t bit = 255) {
  zanhost::TagShape shape;
  shape.hostType = hostType;
  shape.kind = kind;
  shape.bit = bit;
  shape.stringLength = 80;
  return shape;
}

const Born kBorn[] = {
    {zanhost::kSparkplugBoolean, Shape(zanhost::kHostBit, 0, 3), 0, 1},
    {zanhost::kSparkplugUInt8, Shape(zanhost::kHostWord, 'B'), 0, 255},
    {zanhost::kSparkplugUInt16, Shape(zanhost::kHostWord, 0), 0, 65535},
    {zanhost::kSparkplugInt16, Shape(zanhost::kHostInt, 0), -32768, 32767},
    {zanhost::kSparkplugUInt32, Shape(zanhost::kHostDword, 'D'), 0, 4294967295},
    {zanhost::kSparkplugInt32, Shape(zanhost::kHostDint, 'D'), INT32_MIN, INT32_MAX},
    {zanhost::kSparkplugFloat, Shape(zanhost::kHostFloat, 'F'), 0, 0},
    {zanhost::kSparkplugString, Shape(zanhost::kHostString, 'S'), 0, 0},
};

// `inLong`: the node sends and takes UInt32 values in long_value too (--uint32-in-long).
void Write(const zanhost::SparkplugMetric& metric, const Born& born, bool inLong) {
  std::string json;
  std::string reason;
  zanhost::JsonValue parsed;
  std::string error;
  // What a refusal shows of the value sent is JSON, whatever was sent.
  Require(zanhost::ParseJson(zanhost::SentValueJson(metric, born.datatype), parsed, error));
  if (!zanhost::CommandValueJson(metric, born.datatype, json, reason, inLong)) {
    Require(!reason.empty() && zanhost::IsUtf8(reason));
    return;
  }
  Require(zanhost::ParseJson(json, parsed, error));
  zanhost::SetValues values;
  std::string echo;
  const bool taken = zanhost::ReadSetPayload(json, born.shape, values, echo, reason);
  Require(taken || (!reason.empty() && zanhost::IsUtf8(reason)));
  const bool whole64 = metric.value == zanhost::SparkplugMetric::Value::kLong;
  if (metric.value != zanhost::SparkplugMetric::Value::kInt &&
      metric.value != zanhost::SparkplugMetric::Value::kBoolean && !whole64) {
    return;
  }
  // A whole number: the command's, read by the datatype; all 64 bits of a long_value.
  if (whole64 && metric.integer > uint64_t(born.high)) {
    Require(!taken);
    return;
  }
  const auto bits = static_cast<uint32_t>(metric.integer);
  const bool isSigned = born.low < 0;
  const int64_t number = metric.value == zanhost::SparkplugMetric::Value::kBoolean
                             ? (metric.boolean ? 1 : 0)
                         : whole64  ? static_cast<int64_t>(metric.integer)
                         : isSigned ? int64_t{static_cast<int32_t>(bits)}
                                    : int64_t{bits};
  Require(taken == (number >= born.low && number <= born.high));
  if (!taken) return;
  zanhost::ValueBuffer buffer(1);
  Require(zanhost::EncodeValue(values.texts.at(0), born.shape.kind, born.shape.hostType, 0, true,
                               buffer, error));
  const zanhost::TagValue written =
      zanhost::DecodeValue(buffer, born.shape.kind, born.shape.hostType, 0, true);
  Require(born.datatype == zanhost::kSparkplugBoolean ? (written.integer != 0) == (number != 0)
                                                      : written.integer == number);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zanhost::SparkplugPayload command;
  std::string error;
  if (zanhost::DecodePayload(bytes, command, error)) {
    for (const zanhost::SparkplugMetric& metric : command.metrics) {
      for (const Born& born : kBorn) {
        Write(metric, born, false);
        Write(metric, born, true);
      }
    }
  } else {
    Require(!error.empty());
  }

  zanhost::HostState state;
  std::string reason;
  if (zanhost::ReadHostState(bytes, state, reason)) {
    Require(state.timestamp <= (uint64_t{1} << 53));
  } else {
    Require(!reason.empty() && zanhost::IsUtf8(reason));
  }
  return 0;
}

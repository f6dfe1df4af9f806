// Sparkplug B payloads as the node builds and reads them: plain structs, turned into the protobuf
// message of sparkplug_b.proto and back by the code that protoc generates from it
// (payload_protobuf.cpp). A build without protobuf (the Windows build, which has no MQTT either)
// links payload_none.cpp, which encodes nothing and decodes nothing.
#ifndef ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_PAYLOAD_H_
#define ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_PAYLOAD_H_

#include <cstdint>
#include <string>
#include <vector>

namespace zanhost {

// The Sparkplug datatypes that the node uses or reads in commands.
enum SparkplugType : uint32_t {
  kSparkplugInt8 = 1,
  kSparkplugInt16 = 2,
  kSparkplugInt32 = 3,
  kSparkplugInt64 = 4,
  kSparkplugUInt8 = 5,
  kSparkplugUInt16 = 6,
  kSparkplugUInt32 = 7,
  kSparkplugUInt64 = 8,
  kSparkplugFloat = 9,
  kSparkplugDouble = 10,
  kSparkplugBoolean = 11,
  kSparkplugString = 12,
  kSparkplugDateTime = 13,
  kSparkplugText = 14,
};

struct SparkplugMetric {
  enum class Value { kNone, kInt, kLong, kFloat, kDouble, kBoolean, kString, kBytes };

  std::string name;
  bool hasAlias = false;
  uint64_t alias = 0;
  uint64_t timestamp = 0;  // 0: none
  uint32_t datatype = 0;   // 0: none (data messages leave it out)
  bool isNull = false;     // no value: the read failed
  Value value = Value::kNone;
  uint64_t integer = 0;  // kInt (the 32-bit pattern), kLong
  double real = 0;       // kFloat, kDouble
  bool boolean = false;  // kBoolean
  std::string text;      // kString (UTF-8), kBytes
};

struct SparkplugPayload {
  uint64_t timestamp = 0;  // 0: none
  bool hasSeq = false;
  uint64_t seq = 0;
  std::vector<SparkplugMetric> metrics;
};

// The payload in protobuf's wire format.
std::string EncodePayload(const SparkplugPayload& payload);
// Reads a payload; false, with the reason, when the bytes are no Sparkplug B payload.
bool DecodePayload(const std::string& bytes, SparkplugPayload& payload, std::string& error);

// Whether this build encodes payloads (it has protobuf).
bool HasSparkplugSupport();

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BRIDGE_SPARKPLUG_PAYLOAD_H_

// Any bytes as the payload of a bridge write, against a tag shape taken from the input's first
// bytes: the reader must never read out of bounds, must answer with a reason or with exactly the
// tag's number of values that the host's value encoding takes, and its echo must be JSON. JSON that
// it reads must come back the same through WriteJson.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bridge/json_reader.h"
#include "bridge/set_payload.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

constexpr std::size_t kHeaderBytes = 6;
constexpr int32_t kKinds[] = {0,   1,   'B', 'D', 'd', 'F',    'f',
                              'G', 'S', 'C', '!', 'T', 0x4249, 0x5751};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  zanhost::TagShape shape;
  shape.kind = kKinds[data[0] % (sizeof kKinds / sizeof kKinds[0])];
  shape.hostType = data[1] % 9;
  shape.count = 1 + data[2] % 4;
  shape.stringLength = data[3] % 82;
  shape.bit = data[4] % 2 == 0 ? 255 : data[4] % 16;
  shape.s5 = (data[5] & 1) != 0;
  const std::string payload(reinterpret_cast<const char*>(data + kHeaderBytes),
                            size - kHeaderBytes);

  zanhost::SetValues values;
  std::string echo;
  std::string reason;
  const bool accepted = zanhost::ReadSetPayload(payload, shape, values, echo, reason);
  zanhost::JsonValue parsed;
  std::string error;
  Require(zanhost::ParseJson(echo, parsed, error));
  if (!accepted) {
    Require(!reason.empty() && values.texts.empty());
  } else {
    Require(static_cast<int32_t>(values.texts.size()) == shape.count);
    zanhost::ValueBuffer buffer(shape.count);
    for (std::size_t i = 0; i < values.texts.size(); ++i) {
      Require(zanhost::EncodeValue(values.texts[i], shape.kind, shape.hostType,
                                   static_cast<int32_t>(i), shape.count == 1, buffer, error));
    }
  }

  if (zanhost::ParseJson(payload, parsed, error)) {
    const std::string written = zanhost::WriteJson(parsed);
    zanhost::JsonValue again;
    Require(zanhost::ParseJson(written, again, error));
    Require(zanhost::WriteJson(again) == written);
  }
  return 0;
}

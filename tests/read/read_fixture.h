// The read tests' host: PLCs 1 and 4 are connected S7s (handles 5 and 8), PLC 2 a connected S5
// (handle 6), PLC 3 a connected PLC of type 6 (handle 7). Tags come from the parser; their values
// go to `values`, which holds kUnwritten where nothing was placed.
#ifndef ZAN_TESTS_READ_READ_FIXTURE_H_
#define ZAN_TESTS_READ_READ_FIXTURE_H_

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {

constexpr uint8_t kUnwritten = 0xEE;
using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// "12 34 AB" as bytes.
inline Bytes Hex(const char* text) {
  Bytes bytes;
  for (char* end = nullptr;; text = end) {
    const unsigned long byte = std::strtoul(text, &end, 16);
    if (end == text) return bytes;
    bytes.push_back(static_cast<uint8_t>(byte));
  }
}

class ReadTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 1000;
    const uint8_t types[] = {kPlcTypeS7, kPlcTypeS5, kPlcTypeS5Alike, kPlcTypeS7};
    for (int n = 1; n <= 4; ++n) {
      plc(n).type = types[n - 1];
      plc(n).readConnection = static_cast<uint16_t>(n + 4);
      plc(n).linkState = kLinkConnected;
      std::strcpy(plc(n).ipAddress, "10.0.0.1");
    }
    values.fill(kUnwritten);
  }

  TagItem Tag(const char* text, int32_t hostType = 1, int32_t count = 1, int32_t tagId = 7) {
    TagDefinition d{};
    d.addressText = text;
    d.tagId = tagId;
    d.hostType = hostType;
    EXPECT_EQ(Send(kCommandParseTagAddress, &d), 0) << text;
    return TagItem{text, {}, d.plc, d.kind, d.address, d.bit, d.width, {}, count, tagId, &values};
  }

  // Sends the read command with a fresh log and transport journal.
  int32_t Read(TagItem& item, int32_t command = kCommandReadBlock) {
    ClearLog();
    transport().ClearCalls();
    return Send(command, &item);
  }

  Bytes Values(std::size_t count) const { return Bytes(values.begin(), values.begin() + count); }

  // The sent reads, as "103 c=5 a=1 db=10 s=20 l=2".
  Lines SentRecords() {
    Lines records;
    for (const TransportCall& call : transport().CallsOf(Op::kSendRead))
      records.push_back(call.Describe());
    return records;
  }

  std::array<uint8_t, 64> values{};
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_READ_READ_FIXTURE_H_

// The host of the read and write tests: PLCs 1 and 4 are connected S7s (connections 5 and 8), PLC 2
// a connected S5 (read connection 6, write connection 9), PLC 3 a connected PLC of type 6
// (connection 7). Tags come from the parser; their values are `values`, which holds kUnwritten
// wherever nothing was placed. Bytes are written as hex text: "12 34 AB" or "1234AB".
#ifndef ZAN_TESTS_SUPPORT_TAG_FIXTURE_H_
#define ZAN_TESTS_SUPPORT_TAG_FIXTURE_H_

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
constexpr uint8_t kUnwritten = 0xEE;

inline Bytes Hex(const std::string& text) {
  Bytes bytes;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (text[i] != ' ')
      bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(i++, 2), 0, 16)));
  return bytes;
}

class TagFixture : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 1000;
    const uint8_t types[] = {kPlcTypeS7, kPlcTypeS5, kPlcTypeS5ValuesBySlot, kPlcTypeS7};
    for (int n = 1; n <= 4; ++n) {
      plc(n).type = types[n - 1];
      plc(n).readConnection = static_cast<uint16_t>(n + 4);
      plc(n).linkState = kLinkConnected;
      std::strcpy(plc(n).ipAddress, "10.0.0.1");
    }
    plc(2).writeConnection = 9;
  }

  // Tag `tagId` as the parser makes it from `text`; its values are `values`, all kUnwritten.
  TagItem Tag(const char* text, int32_t hostType = 1, int32_t count = 1, int32_t tagId = 7) {
    TagDefinition d{};
    d.addressText = text;
    d.tagId = tagId;
    d.hostType = hostType;
    EXPECT_EQ(Send(kCommandParseTagAddress, &d), 0) << text;
    std::fill(values.begin(), values.end(), kUnwritten);
    return TagItem{text,    {}, d.plc, d.kind, d.address,    d.bit,
                   d.width, {}, count, tagId,  values.data()};
  }

  // Sends a command for `item` with a fresh log and transport journal.
  int32_t Read(TagItem& item, int32_t command = kCommandReadBlock) { return Run(command, item); }
  int32_t Write(TagItem& item, int32_t command = kCommandWriteBlock) { return Run(command, item); }
  int32_t Run(int32_t command, TagItem& item) {
    ClearLog();
    transport().ClearCalls();
    return Send(command, &item);
  }

  Bytes Values(std::size_t count) const { return Bytes(values.begin(), values.begin() + count); }

  // The calls of `op` as the journal describes them: "103 c=5 a=1 db=10 s=20 l=2".
  Lines Sent(Op op) {
    Lines records;
    for (const TransportCall& call : transport().CallsOf(op))
      records.push_back(call.Describe());
    return records;
  }

  // The first bytes of the last send-write, as many as `expected` holds; none without one.
  Bytes Written(const Bytes& expected) {
    const std::vector<TransportCall> writes = transport().CallsOf(Op::kSendWrite);
    if (writes.empty()) return {};
    const Bytes& data = writes.back().data;
    return Bytes(data.begin(), data.begin() + std::min(expected.size(), data.size()));
  }

  Bytes values = Bytes(20000, kUnwritten);
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_TAG_FIXTURE_H_

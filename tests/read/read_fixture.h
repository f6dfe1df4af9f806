// The fixture of the read tests: PLC 1 is a connected S7 (handle 5), PLC 2 a connected S5 (handle
// 6), PLC 3 a connected PLC of type 6 (handle 7) and PLC 4 a connected S7 (handle 8). Tags are
// made by the parser, as the host makes them; their value buffer is `values`, filled with 0xEE.
#ifndef ZAN_TESTS_READ_READ_FIXTURE_H_
#define ZAN_TESTS_READ_READ_FIXTURE_H_

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {

constexpr uint8_t kUnwritten = 0xEE;
using Bytes = std::vector<uint8_t>;

class ReadTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 1000;
    const uint8_t types[] = {kPlcTypeS7, kPlcTypeS5, kPlcTypeS5Alike, kPlcTypeS7};
    for (int number = 1; number <= 4; ++number) {
      plc(number).type = types[number - 1];
      std::snprintf(plc(number).ipAddress, kIpAddressBytes, "10.0.0.%d", number);
      plc(number).readConnection = static_cast<uint16_t>(number + 4);
      plc(number).linkState = kLinkConnected;
    }
    values.fill(kUnwritten);
  }

  // The item of `text` as command 3 makes it, reading `count` values into `values`.
  TagItem Tag(const char* text, int32_t hostType = 1, int32_t count = 1, int32_t tagId = 7) {
    TagDefinition definition{};
    definition.addressText = text;
    definition.tagId = tagId;
    definition.hostType = hostType;
    EXPECT_EQ(Send(kCommandParseTagAddress, &definition), 0) << text;
    TagItem item{};
    item.addressText = text;
    item.plc = definition.plc;
    item.kind = definition.kind;
    item.address = definition.address;
    item.bit = definition.bit;
    item.width = definition.width;
    item.count = count;
    item.tagId = tagId;
    item.valueBuffer = values.data();
    return item;
  }

  // Sends the read command with a fresh log and transport journal.
  int32_t Read(TagItem& item, int32_t command = kCommandReadBlock) {
    ClearLog();
    transport().ClearCalls();
    return Send(command, &item);
  }

  std::vector<uint8_t> Values(std::size_t count) const {
    return std::vector<uint8_t>(values.begin(), values.begin() + count);
  }

  // The records that the reads sent, as "c=5 a=1 db=10 s=20 l=2".
  std::vector<std::string> SentRecords() {
    std::vector<std::string> records;
    for (const TransportCall& call : transport().CallsOf(Op::kSendRead)) {
      const TransferRecord& r = call.record;
      records.push_back("c=" + std::to_string(r.connection) + " a=" + std::to_string(r.area) +
                        " db=" + std::to_string(r.dbNumber) + " s=" + std::to_string(r.start) +
                        " l=" + std::to_string(r.length));
    }
    return records;
  }

  std::array<uint8_t, 64> values{};
};

}  // namespace zan::testing

#endif  // ZAN_TESTS_READ_READ_FIXTURE_H_

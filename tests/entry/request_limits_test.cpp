// Read and write requests at the limits of their records, through ZanMain: a transfer of no bytes
// never reaches the transport, and a single value is taken only from the bytes the host's value
// holds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {
namespace {

constexpr int32_t kHostString = 7;

// PLC 1 is a connected S7 (handle 5) with the backup PLC 3, PLC 2 a connected S5 (handle 6), PLC 3
// a connected S7 (handle 7).
class RequestLimitsTest : public HostFixture {
 protected:
  void SetUp() override {
    HostFixture::SetUp();
    ResetDriverState(state());
    state().timeout = 1000;
    const uint8_t types[] = {kPlcTypeS7, kPlcTypeS5, kPlcTypeS7};
    for (int n = 1; n <= 3; ++n) {
      plc(n).type = types[n - 1];
      plc(n).readConnection = static_cast<uint16_t>(n + 4);
      plc(n).linkState = kLinkConnected;
      std::strcpy(plc(n).ipAddress, "10.0.0.1");
    }
    plc(1).backupPlc = 3;
  }

  TagItem Tag(const char* text, int32_t hostType, void* values, int32_t tagId = 7) {
    TagDefinition d{};
    d.addressText = text;
    d.tagId = tagId;
    d.hostType = hostType;
    EXPECT_EQ(Send(kCommandParseTagAddress, &d), 0) << text;
    return TagItem{text, {}, d.plc, d.kind, d.address, d.bit, d.width, {}, 1, tagId, values};
  }
};

TEST_F(RequestLimitsTest, ReadOfNoBytesIsRefusedWithoutTheTransport) {
  const struct {
    const char* text;
    int32_t hostType;
    int plc;
  } cases[] = {
      {"02SB010001001", kHostString, 2},  // S5 characters of length 1: no whole word
      {"01TB01000000000", 1, 1},          // a cache block of length 0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    plc(c.plc).linkState = kLinkConnected;
    std::vector<uint8_t> values(8, 0xEE);
    TagItem item = Tag(c.text, c.hostType, values.data());
    transport().ClearCalls();
    // The library refuses a record of no bytes as one it cannot carry.
    transport().Script(Op::kSendRead, {1});

    EXPECT_EQ(Send(kCommandReadBlock, &item), 1);
    EXPECT_EQ(transport().Count(Op::kSendRead), 0);
    EXPECT_EQ(plc(c.plc).linkState, kLinkNeverTried);
    EXPECT_EQ(item.plc, c.plc);  // a master whose tag has no data stays in service
    EXPECT_EQ(plc(1).active, 1);
  }
}

TEST_F(RequestLimitsTest, SingleStringWriteReadsOnlyTheHostsCharacters) {
  // The host's value of a character string is its L bytes, of a string its text: the bytes 2 and
  // 3 of a single integer value lie past them.
  std::vector<uint8_t> characters = {'A', 'B'};
  TagItem twoCharacters = Tag("01SB010001002", kHostString, characters.data());
  EXPECT_EQ(Send(kCommandWriteValue, &twoCharacters), 0);

  std::vector<uint8_t> empty = {0};
  TagItem emptyText = Tag("01SS010001004", kHostString, empty.data());
  EXPECT_EQ(Send(kCommandWriteValue, &emptyText), 0);

  const std::vector<TransportCall> writes = transport().CallsOf(Op::kSendWrite);
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].record.length, 2);
  EXPECT_EQ(std::vector<uint8_t>(writes[0].data.begin(), writes[0].data.begin() + 2), characters);
  EXPECT_EQ(writes[1].record.length, 6);
  EXPECT_EQ(std::vector<uint8_t>(writes[1].data.begin(), writes[1].data.begin() + 6),
            (std::vector<uint8_t>{4, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace zan::testing

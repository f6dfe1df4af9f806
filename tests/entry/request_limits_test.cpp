// Read and write requests at the limits of their records, through ZanMain.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {
namespace {

// PLC 1 is a connected S7, PLC 2 a connected S5; the library refuses a record of no bytes.
class RequestLimitsTest : public HostFixture {
 protected:
  TagItem Tag(const char* text, int32_t hostType, void* values) {
    ResetDriverState(state());
    state().timeout = 1000;
    for (int n : {1, 2}) {
      plc(n).type = n == 1 ? kPlcTypeS7 : kPlcTypeS5;
      plc(n).readConnection = 5;
      plc(n).linkState = kLinkConnected;
      std::strcpy(plc(n).ipAddress, "10.0.0.1");
    }
    TagDefinition d{};
    d.addressText = text;
    d.tagId = 7;
    d.hostType = hostType;
    EXPECT_EQ(Send(kCommandParseTagAddress, &d), 0) << text;
    transport().Fallback(Op::kSendRead, 1);
    return TagItem{text, {}, d.plc, d.kind, d.address, d.bit, d.width, {}, 1, 7, values};
  }
};

TEST_F(RequestLimitsTest, ReadOfNoBytesNeverReachesTheTransport) {
  // S5 characters of length 1 (no whole word), a cache block of length 0.
  for (const char* text : {"02SB010001001", "01TB01000000000"}) {
    std::vector<uint8_t> values(8);
    TagItem item = Tag(text, text[2] == 'S' ? 7 : 1, values.data());
    EXPECT_EQ(Send(kCommandReadBlock, &item), 1) << text;
    EXPECT_EQ(transport().Count(Op::kSendRead), 0) << text;
    EXPECT_EQ(plc(item.plc).linkState, kLinkUntriedOrRefused) << text;
  }
}

TEST_F(RequestLimitsTest, StringWriteValueReadsOnlyTheHostsCharacters) {
  // Exactly the host's value: the L characters of a 'C' tag, the empty text of an 'S' tag.
  for (const char* text : {"01SB010001002", "01SS010001004"}) {
    std::vector<uint8_t> value(text[3] == 'B' ? 2 : 1, 0);
    TagItem item = Tag(text, 7, value.data());
    EXPECT_EQ(Send(kCommandWriteValue, &item), 0) << text;
  }
  EXPECT_EQ(transport().Count(Op::kSendWrite), 2);
}

}  // namespace
}  // namespace zan::testing

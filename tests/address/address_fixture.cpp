#include "address/address_fixture.h"

#include <cstring>

namespace zan::testing {

void AddressTest::SetUp() {
  HostFixture::SetUp();
  ResetDriverState(state());
  Configure(1, kPlcTypeS7);
  Configure(2, kPlcTypeS5);
  Configure(3, kPlcTypeS5ValuesBySlot);
}

void AddressTest::Configure(int number, uint8_t type) {
  plc(number).type = type;
  std::strcpy(plc(number).ipAddress, "127.0.0.1");
}

TagDefinition AddressTest::Definition(const char* text, int32_t hostType, int32_t tagId,
                                      int32_t count) {
  TagDefinition definition{};
  definition.addressText = text;
  definition.tagId = tagId;
  definition.hostType = hostType;
  definition.count = count;
  definition.plc = kUntouched;
  definition.kind = kUntouched;
  definition.address = kUntouched;
  definition.bit = static_cast<uint32_t>(kUntouched);
  definition.width = kUntouched;
  return definition;
}

void AddressTest::SetOptions(int options) {
  state().longDb = (options & kLongDb) != 0 ? 1 : 0;
  state().floatOddAddress = (options & kFloatOdd) != 0 ? 1 : 0;
}

void AddressTest::Check(const Row& row) {
  SCOPED_TRACE(::testing::Message()
               << '"' << row.text << "\" host type " << row.hostType << " options " << row.options);
  SetOptions(row.options);
  ClearLog();
  TagDefinition definition = Definition(row.text, row.hostType);
  const int32_t result = Send(kCommandParseTagAddress, &definition);

  if (row.refusal != nullptr) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log(), std::vector<std::string>{Line(row.refusal)});
    return;
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(log(), std::vector<std::string>{});
  EXPECT_EQ(definition.plc, row.fields.plc);
  EXPECT_EQ(definition.kind, row.fields.kind);
  EXPECT_EQ(definition.address >> 16, row.fields.dataBlock);
  EXPECT_EQ(definition.address & 0xFFFF, row.fields.offset);
  EXPECT_EQ(definition.bit, row.fields.bit);
  EXPECT_EQ(definition.width, row.fields.width);
}

void AddressTest::CheckAll(const std::vector<Row>& rows) {
  for (const Row& row : rows)
    Check(row);
}

}  // namespace zan::testing

// Texts and records that no form describes: too long, cut short, missing. Each is refused with a
// line that says what is wrong, and nothing is read past the 16 characters of an address.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "address/address_fixture.h"

namespace zan::testing {
namespace {

using BadAddressTest = AddressTest;

TEST_F(BadAddressTest, TextsCutShortSayWhatIsMissing) {
  CheckAll({
      // PLC 0 is not configured: the table refuses these first.
      Refused("", kPlain, "PLC number out of limit"),
      Refused("0", kPlain, "PLC number out of limit"),
      Refused("05", kPlain, "PLC number out of limit"),
      Refused("01", kPlain, "area letter missing in address string"),
      Refused("01I", kBit, "type letter missing in address string"),
      Refused("01D", kPlain, "type letter missing in address string"),
      Refused("01T", kPlain, "type letter missing in address string"),
      Refused("01IB", kPlain, "byte address missing in address string"),
      Refused("01QW", kBit, "byte address missing in address string"),
  });
  // Row 0 configured: an empty text would otherwise be accepted for PLC 0.
  Configure(0, kPlcTypeS7);
  CheckAll({
      Refused("", kPlain, "empty address string"),
      Refused("0", kPlain, "area letter missing in address string"),
  });
}

TEST_F(BadAddressTest, TextsLongerThan16AreRefusedWithoutReadingOn) {
  CheckAll({
      Accepted("01IB000203      ", kBit, {1, kKindInputByte, 0, 2, 3}),
      Accepted("!05             ", kPlain, {kStatusPlc, kKindStatus, 0, 5}),
      Refused("01DW0100020      ", kPlain, "address string longer than 16 characters"),
      Refused("01DW0100020 this is no address", kPlain, "address string longer than 16 characters"),
  });

  // Exactly 17 characters and no terminator: the sanitizers see any read of an 18th.
  std::unique_ptr<char[]> unterminated(new char[17]);
  std::memset(unterminated.get(), '0', 17);
  TagDefinition definition = Definition(unterminated.get(), kPlain);
  ClearLog();
  EXPECT_EQ(Send(kCommandParseTagAddress, &definition), 1);
  EXPECT_EQ(log(), std::vector<std::string>{Line("address string longer than 16 characters")});
  EXPECT_EQ(StringTagLength(state(), unterminated.get()), 0);
}

TEST_F(BadAddressTest, MissingRecordsAreRefusedWithoutCrash) {
  TagDefinition definition = Definition(nullptr, kPlain);
  EXPECT_EQ(Send(kCommandParseTagAddress, &definition), 1);
  EXPECT_EQ(Send(kCommandCheckArrayTag, &definition), 1);
  EXPECT_EQ(log(), (std::vector<std::string>{Line("address string missing"),
                                             Line("address string missing")}));

  ClearLog();
  EXPECT_EQ(Send(kCommandParseTagAddress, nullptr), 1);
  EXPECT_EQ(Send(kCommandCheckArrayTag, nullptr), 1);
  definition = Definition("01DW0100020", kPlain);
  for (int32_t command : {kCommandParseTagAddress, kCommandCheckArrayTag}) {
    ZanRequest request{};
    request.command = command;
    request.argument = &definition;
    EXPECT_EQ(ZanMain(&request), 1);  // no state
  }
  EXPECT_EQ(log(), std::vector<std::string>{});
  EXPECT_EQ(definition.address, kUntouched);
}

}  // namespace
}  // namespace zan::testing

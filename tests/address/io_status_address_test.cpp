// Input, output and flag forms, the status form, and the character and PLC tests that every form
// passes first. Fields: {plc, kind, data block, offset, bit, width}.
#include <gtest/gtest.h>

#include "address/address_fixture.h"

namespace zan::testing {
namespace {

using IoAddressTest = AddressTest;
using StatusAddressTest = AddressTest;
using AddressCharactersTest = AddressTest;

TEST_F(IoAddressTest, BytesAndWordsOfInputsOutputsAndFlags) {
  CheckAll({
      Accepted("01IB0002", kPlain, {1, kKindInputByte, 0, 2}),
      Accepted("01MW0020", kPlain, {1, kKindFlagWord, 0, 10}),
      Accepted("02MW0020", kPlain, {2, kKindFlagWord, 0, 20}),
      Accepted("01QB9999", kPlain, {1, kKindOutputByte, 0, 9999}),
      Accepted("01QW0004", kPlain, {1, kKindOutputWord, 0, 2}),
      Accepted("01IW12", kPlain, {1, kKindInputWord, 0, 6}),  // shorter byte address
      Refused("01IW0011", kPlain, "gate address must be even"),
      Refused("02IW0011", kPlain, "gate address must be even"),
      Refused("03MW0001", kPlain, "gate address must be even"),
  });
}

TEST_F(IoAddressTest, TextEndsBehindTheByteAddress) {
  const char* tooLong = "wrong length of tag address string";
  CheckAll({
      Refused("01IB00020", kPlain, tooLong),
      Accepted("01IB00020", kPlain, {1, kKindInputByte, 0, 2}, kLongDb),  // position 8 not read
      Refused("01IB000200", kPlain, tooLong, kLongDb),
      Refused("01IB0002  ", kPlain, tooLong),
      Refused("01IB000203", kPlain, tooLong),
  });
}

TEST_F(IoAddressTest, BitTagsCarryABitNumber) {
  const char* outOfLimit = "Bit number out of limit for this type";
  CheckAll({
      Accepted("01IB000203", kBit, {1, kKindInputByte, 0, 2, 3}),
      Accepted("01IW000215", kBit, {1, kKindInputWord, 0, 1, 15}),
      Accepted("02QW000200", kBit, {2, kKindOutputWord, 0, 2, 0}),
      Accepted("01MB0002 3", kBit, {1, kKindFlagByte, 0, 2, 3}),
      Accepted("01IB000207    ", kBit, {1, kKindInputByte, 0, 2, 7}),
      Refused("01IB000209", kBit, outOfLimit),
      Refused("01IW000216", kBit, outOfLimit),
      Refused("01IB0002  ", kBit, outOfLimit),  // no number: bit stays 255
      Refused("01IB0002", kBit, "Wrong length of gate address string"),
      Refused("01IB00028", kBit, "wrong characters in address string"),
  });
}

TEST_F(StatusAddressTest, AnyPlcNumberWhetherConfiguredOrNot) {
  CheckAll({
      Accepted("!05", kPlain, {kStatusPlc, kKindStatus, 0, 5}),
      Accepted("!5", kBit, {kStatusPlc, kKindStatus, 0, 5}),
      Accepted("!99", kFloat, {kStatusPlc, kKindStatus, 0, 99}),
      Accepted("!01   ", kText, {kStatusPlc, kKindStatus, 0, 1}, kLongDb),
      Refused("!0A", kPlain, "wrong characters in address string"),
      Refused("! 5", kPlain, "wrong characters in address string"),
      Refused("!", kPlain, "PLC number missing in status address"),
  });
}

TEST_F(AddressCharactersTest, TemplatesAndPlcTable) {
  const char* wrong = "wrong characters in address string";
  CheckAll({
      Refused("01ZW0100020", kPlain, wrong),
      Refused("01DW010002G", kPlain, wrong),
      Refused(" 1DW0100020", kPlain, wrong),
      Refused("01IW0002A", kBit, wrong),
      Refused("01DW0100020\xE4 ", kBit, wrong),  // not lowered: negative as a signed byte
      Refused("01D{0100020", kPlain, wrong),     // lowered to '[' like a letter
      Refused("01IB0002\t3", kBit, wrong),
      Refused("05DW0100021", kPlain, "PLC number out of limit"),
      Refused("04DW0100020", kPlain, "PLC number out of limit"),
      Refused("00DW0100020", kPlain, "PLC number out of limit"),
      Refused("99IB0002", kPlain, "PLC number out of limit"),
  });
  Configure(0, kPlcTypeS7);
  Configure(99, kPlcTypeS7);
  CheckAll({
      Accepted("00DW0100020", kPlain, {0, kKindWord, 10, 10}),
      Accepted("99IB0002", kPlain, {99, kKindInputByte, 0, 2}),
  });
}

}  // namespace
}  // namespace zan::testing

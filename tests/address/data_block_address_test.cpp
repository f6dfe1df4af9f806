// Data block forms (areas D and X) and strings, on the S7 (PLC 1) and the S5 (PLC 2).
// Fields: {plc, kind, data block, offset, bit, width}.
#include <gtest/gtest.h>

#include "address/address_fixture.h"

namespace zan::testing {
namespace {

using DataBlockAddressTest = AddressTest;
using StringAddressTest = AddressTest;

TEST_F(DataBlockAddressTest, WordsAreByteAddressesOnS7AndWordNumbersOnS5) {
  CheckAll({
      Accepted("01DW0100020", kPlain, {1, kKindWord, 10, 10}),
      Accepted("01DW0100021", kPlain, {1, kKindWordOddByte, 10, 10}),
      Accepted("02DW0100021", kPlain, {2, kKindWord, 10, 21}),
      Accepted("03DW0100021", kPlain, {3, kKindWord, 10, 21}),  // type 6 addresses words
      // Area D admits hexadecimal letters, and its decimal offset stops at the first one.
      Accepted("01DW010001A", kPlain, {1, kKindWordOddByte, 10, 0}),
      Accepted("01XW010001A", kPlain, {1, kKindWord, 10, 13}),
      Accepted("01xw010001a", kPlain, {1, kKindWord, 10, 13}),
      Accepted("02XW010FFFF", kPlain, {2, kKindWord, 10, 0xFFFF}),
      Accepted("01DW00100020", kPlain, {1, kKindWord, 10, 10}, kLongDb),
      Accepted("01DW99999998", kPlain, {1, kKindWord, 9999, 4999}, kLongDb),
      Refused("01DW0100020", kPlain,
              "wrong address string length for this type, should be 12 but is 11", kLongDb),
      Refused("01DW01000200", kPlain,
              "wrong address string length for this type, should be 11 but is 12"),
      Refused("01DW010002", kPlain,
              "wrong address string length for this type, should be 11 but is 10"),
      // The fourth offset digit of a LONG_DB text takes only digits and a space.
      Refused("01XW00100A0F", kPlain, "wrong characters in address string", kLongDb),
  });
}

TEST_F(DataBlockAddressTest, BytesOnlyOnS7) {
  CheckAll({
      Accepted("01DB0100005", kPlain, {1, kKindByte, 10, 5}),
      Accepted("01XB01000FF", kPlain, {1, kKindByte, 10, 255}),
      Refused("02DB0100005", kPlain, "Bytes not supported for S5 PLCs"),
      // Type 6 keeps the S5 rules: its records count words, which hold no byte alone.
      Refused("03DB0100005", kPlain, "Bytes not supported for S5 PLCs"),
      Refused("03XB01000FF", kPlain, "Bytes not supported for S5 PLCs"),
      Refused("02DB2560005", kPlain, "Db Number out of limit for S5 PLCs"),
  });
}

TEST_F(DataBlockAddressTest, DoubleWordsAndFloatsAlignedOrHalfAligned) {
  CheckAll({
      Accepted("01DD0100008", kDouble, {1, kKindDoubleWord, 10, 2, 255, 32}),
      Accepted("01DD0100006", kDouble, {1, kKindDoubleWordHalf, 10, 1, 255, 32}),
      Refused("01DD0100005", kDouble, "gate address must be even"),
      Refused("01DD0100005", kDouble, "gate address must be even", kFloatOdd),
      Accepted("02DD0100005", kDouble, {2, kKindDoubleWordHalf, 10, 2, 255, 32}),
      Accepted("02DD0100007", 5, {2, kKindDoubleWordHalf, 10, 3, 255, 32}),
      Accepted("02DD0100008", kDouble, {2, kKindDoubleWord, 10, 4, 255, 32}),
      Accepted("01DF0100004", kFloat, {1, kKindFloat, 10, 1, 255, 32}),
      Accepted("01DF0100006", kFloat, {1, kKindFloatHalf, 10, 1, 255, 32}),
      Refused("01DF0100005", kFloat, "gate address must be even"),
      // FLOAT_ODD_ADDRESS: the lowest bit of the byte address is dropped.
      // Odd S7 floats keep the byte the text names in a kind of their own.
      Accepted("01DF0100005", kFloat, {1, kKindFloatOddByte, 10, 1, 255, 32}, kFloatOdd),
      Accepted("01DF0100007", kFloat, {1, kKindFloatOddByteHalf, 10, 1, 255, 32}, kFloatOdd),
      Accepted("01DF0100004", kFloat, {1, kKindFloat, 10, 1, 255, 32}, kFloatOdd),
      Accepted("01DF0100006", kFloat, {1, kKindFloatHalf, 10, 1, 255, 32}, kFloatOdd),
      Accepted("02DF0100005", kFloat, {2, kKindFloatHalf, 10, 2, 255, 32}, kFloatOdd),
      Refused("01DF0100005", kDouble, "Data type in address string does not match to Korvel type",
              kFloatOdd),
      Accepted("02DF0100005", kFloat, {2, kKindFloatHalf, 10, 2, 255, 32}),
      Accepted("02DF0100006", kFloat, {2, kKindFloat, 10, 3, 255, 32}),
      Accepted("01DF00100012", kFloat, {1, kKindFloat, 10, 3, 255, 32}, kLongDb),
  });
}

TEST_F(DataBlockAddressTest, HostTypeMustMatchDoubleWordsAndFloats) {
  const char* mismatch = "Data type in address string does not match to Korvel type";
  CheckAll({
      Refused("01DD0100006", kFloat, mismatch),
      Refused("01DD0100008", kFloat, mismatch),
      Refused("02DD0100008", kPlain, mismatch),
      Refused("01DF0100004", kDouble, mismatch),
      Refused("01DD010000800", kBit, mismatch),
      // The length comes first: a bit tag's text is two characters longer.
      Refused("01DD0100008", kBit,
              "wrong address string length for this type, should be 13 but is 11"),
  });
}

TEST_F(DataBlockAddressTest, S5DataBlocksEndAt255) {
  CheckAll({
      Accepted("02DW2550000", kPlain, {2, kKindWord, 255, 0}),
      Refused("02DW2560000", kPlain, "Db Number out of limit for S5 PLCs"),
      Refused("02DW02560000", kPlain, "Db Number out of limit for S5 PLCs", kLongDb),
      Accepted("01DW2560000", kPlain, {1, kKindWord, 256, 0}),
      Accepted("03DW9990000", kPlain, {3, kKindWord, 999, 0}),
  });
}

TEST_F(DataBlockAddressTest, HeartbeatWordsCarryPlcPlus256) {
  CheckAll({
      Accepted("01D10100100", kPlain, {257, kKindMasterHeartbeat, 10, 50}),
      Accepted("01D20100101", kPlain, {257, kKindBackupHeartbeat, 10, 50}),
      Accepted("02D10100100", kPlain, {258, kKindMasterHeartbeat, 10, 100}),
      Accepted("02X2010000A", kPlain, {258, kKindBackupHeartbeat, 10, 10}),
      Refused("01D1010010003", kBit, "Data type in address string does not match to Korvel type"),
  });
}

TEST_F(DataBlockAddressTest, BitTagsCarryABitNumber) {
  const char* outOfLimit = "Bit number out of limit for this type";
  CheckAll({
      Accepted("01DW010002012", kBit, {1, kKindWord, 10, 10, 12}),
      Accepted("01DW010002115", kBit, {1, kKindWordOddByte, 10, 10, 15}),
      Accepted("02DW010002100", kBit, {2, kKindWord, 10, 21, 0}),
      Accepted("01DB010000507", kBit, {1, kKindByte, 10, 5, 7}),
      Accepted("01DW0100020 5", kBit, {1, kKindWord, 10, 10, 5}),
      Accepted("01DW0010002015", kBit, {1, kKindWord, 10, 10, 15}, kLongDb),
      Refused("01DB010000508", kBit, outOfLimit),
      Refused("01DW010002016", kBit, outOfLimit),
      Refused("01DW0100020  ", kBit, outOfLimit),  // no number: bit stays 255
      Refused("02DB010000501", kBit, "Bytes not supported for S5 PLCs"),
      Refused("01DW0100020", kBit,
              "wrong address string length for this type, should be 13 but is 11"),
      Refused("01DW010002012", kBit,
              "wrong address string length for this type, should be 14 but is 13", kLongDb),
  });
}

TEST_F(StringAddressTest, StringsWithAndWithoutHeader) {
  CheckAll({
      Accepted("01DS010001020", kText, {1, kKindString, 10, 10}),
      Accepted("01SS010001020", kText, {1, kKindString, 10, 10}),
      Accepted("01SB010001020", kText, {1, kKindCharacters, 10, 10}),
      Accepted("02SB010001020", kText, {2, kKindCharacters, 10, 10}),  // no S5 byte test here
      Accepted("01XS01000A020", kText, {1, kKindString, 10, 0}),       // decimal in area X too
      Accepted("01DS0010001020", kText, {1, kKindString, 10, 10}, kLongDb),
      Accepted("01DS010001080", kText, {1, kKindString, 10, 10}),
      Accepted("01DS010001001", kText, {1, kKindString, 10, 10}),
      Accepted("01DS0100010 7", kText, {1, kKindString, 10, 10}),
      Refused("02DS256001020", kText, "Db Number out of limit for S5 PLCs"),
      Refused("01DS010001020", kPlain, "wrong tag type this address, should be string"),
      Refused("01SW010001020", kText, "tag type in address string not correct"),
      Refused("01DS010001000", kText, "wrong string length, should be from 1 to 80"),
      Refused("01DS010001081", kText, "wrong string length, should be from 1 to 80"),
      Refused("01DS0100010  ", kText, "wrong string length, should be from 1 to 80"),
      Refused("01DS01000102", kPlain,
              "wrong address string length for this type, should be 13 but is 12"),
      Refused("01SB010001020", kText,
              "wrong address string length for this type, should be 14 but is 13", kLongDb),
  });
}

}  // namespace
}  // namespace zan::testing

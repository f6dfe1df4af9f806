// What a written value must fit, by host type and layout, checked the way both writers of zanhost
// take their values: `zanhost write` (each value an argument) and the bridge (a set payload). Both
// must accept the same values as the same text for the driver, and refuse the same values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bridge/set_payload.h"
#include "tags/host_types.h"
#include "tags/tag_values.h"
#include "tags/value_check.h"

namespace zanhost {
namespace {

constexpr int32_t kInputByte = 0x4249;
constexpr int32_t kInputWord = 0x5749;

TagShape Shape(int32_t hostType, int32_t kind, int32_t plcType = 7) {
  return ShapeOfTag(hostType, kind, 1, hostType == kHostBit ? 3 : 255, "", plcType);
}

TagShape String(const char* address) {
  return ShapeOfTag(kHostString, address[2] == 'S' && address[3] == 'B' ? 'C' : 'S', 1, 255,
                    address, 7);
}

TEST(ValueCheckTest, WriteAndTheBridgeFitTheSameValuesByHostTypeAndLayout) {
  const struct {
    TagShape shape;
    std::string value;
    const char* fitted;  // the text for the driver; nullptr: refused
    const char* reason;  // a part of the refusal that both writers give
  } rows[] = {
      // Words, ints and the other 16-bit host types, in decimal or hexadecimal.
      {Shape(kHostWord, 0), "65535", "65535", ""},
      {Shape(kHostWord, 0), "0x1234", "4660", ""},
      {Shape(kHostWord, 0), "1e3", "1000", ""},
      {Shape(kHostWord, 0), "65536", nullptr, "does not fit a word (0 to 65535)"},
      {Shape(kHostWord, 0), "-5", nullptr, "-5 does not fit a word (0 to 65535)"},
      {Shape(kHostWord, 0), "1.5", nullptr, "1.5 is no whole number"},
      {Shape(kHostWord, 0), "abc", nullptr, "\"abc\""},
      {Shape(kHostInt, 0), "-32768", "-32768", ""},
      {Shape(kHostInt, 0), "40000", nullptr, "40000 does not fit an int (-32768 to 32767)"},
      {Shape(kHostInt, kInputWord), "-1", "-1", ""},
      {Shape(9, 0), "-1", "-1", ""},  // a type code without a name of its own
      {Shape(9, 0), "65536", nullptr, "does not fit a 16-bit value (-32768 to 65535)"},
      // Bytes of a data block, of inputs, outputs and flags.
      {Shape(kHostWord, 'B'), "255", "255", ""},
      {Shape(kHostWord, 'B'), "300", nullptr, "300 does not fit a byte (0 to 255)"},
      {Shape(kHostInt, kInputByte), "-1", nullptr, "does not fit a byte"},
      // Bits.
      {Shape(kHostBit, 0), "1", "1", ""},
      {Shape(kHostBit, kInputByte), "true", "1", ""},
      {Shape(kHostBit, 0), "2", nullptr, "does not fit a bit (0 to 1)"},
      // Double words.
      {Shape(kHostDint, 'D'), "-2147483648", "-2147483648", ""},
      {Shape(kHostDint, 'd'), "2147483648", nullptr, "does not fit a dint"},
      {Shape(kHostDword, 'D'), "4294967295", "4294967295", ""},
      {Shape(kHostDword, 'd'), "-1", nullptr, "does not fit a dword"},
      {Shape(kHostDint, 'D'), "99999999999999999999", nullptr, "does not fit a dint"},
      // Floats: single precision on an S7, the S5 range on an S5 and on type 6.
      {Shape(kHostFloat, 'F'), "3.5", "3.5", ""},
      {Shape(kHostFloat, 'g'), "-3.4e38", "-3.39999995e+38", ""},
      {Shape(kHostFloat, 'F'), "3.5e38", nullptr, "beyond single precision"},
      {Shape(kHostFloat, 'f'), "1e-50", nullptr, "beyond single precision"},
      {Shape(kHostFloat, 'F', 5), "1.7e38", "1.69999998e+38", ""},
      {Shape(kHostFloat, 'F', 5), "2e38", nullptr, "beyond the range of S5 floats"},
      {Shape(kHostFloat, 'F', 6), "2e38", nullptr, "beyond the range of S5 floats"},
      {Shape(kHostFloat, 'F'), "nan", nullptr, "\"nan\""},
      // Strings: the length written in the address, in code page 437.
      {String("01DS010001005"), "TOOLO", "TOOLO", ""},
      {String("01DS010001005"), "TOOLONGTEXT", nullptr,
       "the text has 11 characters; the tag holds 5"},
      {String("01SB010001003"), "ab\u00e9", "ab\x82", ""},
      {String("01DS010001016"), "\u20ac", nullptr, "code page (437) lacks"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value + " as " + HostTypeName(row.shape.hostType) + ", kind " +
                 std::to_string(row.shape.kind));
    std::vector<std::string> fitted;
    std::string reason;
    const bool written = FitValues(ValuesFromArguments({row.value}), row.shape, fitted, reason);
    SetValues set;
    std::string echo;
    std::string setReason;
    const bool bridged = ReadSetPayload(row.value, row.shape, set, echo, setReason);
    if (row.fitted != nullptr) {
      ASSERT_TRUE(written) << reason;
      ASSERT_TRUE(bridged) << setReason;
      EXPECT_EQ(fitted, std::vector<std::string>{row.fitted});
      EXPECT_EQ(set.texts, fitted);
      // What is fitted is what the host's value encoding takes.
      ValueBuffer buffer(1);
      std::string error;
      EXPECT_TRUE(
          EncodeValue(fitted.front(), row.shape.kind, row.shape.hostType, 0, true, buffer, error))
          << error;
    } else {
      EXPECT_FALSE(written);
      EXPECT_FALSE(bridged);
      EXPECT_TRUE(fitted.empty());
      EXPECT_NE(reason.find(row.reason), std::string::npos) << reason;
      EXPECT_NE(setReason.find(row.reason), std::string::npos) << setReason;
    }
  }
}

TEST(ValueCheckTest, StatusHeartbeatAndCacheBlockTagsTakeNoWritesFromEitherWriter) {
  const struct {
    int32_t kind;
    bool takes;
  } kinds[] = {{'!', false}, {'1', false}, {'2', false}, {'T', false},
               {0, true},    {'B', true},  {'F', true},  {kInputWord, true}};
  for (const auto& k : kinds) {
    const TagShape shape = Shape(kHostWord, k.kind);
    std::string reason;
    EXPECT_EQ(TakesWrites(shape, reason), k.takes) << k.kind;
    if (!k.takes) {
      SetValues set;
      std::string echo;
      std::string setReason;
      EXPECT_EQ(reason, "status, heartbeat and cache-block tags cannot be written");
      EXPECT_FALSE(ReadSetPayload("1", shape, set, echo, setReason));
      EXPECT_EQ(setReason, reason) << "the bridge says the same";
    }
  }
}

TEST(ValueCheckTest, RunsOfBitsAndSeveralTextsAreRefused) {
  std::vector<std::string> fitted;
  std::string reason;
  EXPECT_FALSE(FitValues(ValuesFromArguments({"1", "0"}), Shape(kHostBit, 0), fitted, reason));
  EXPECT_NE(reason.find("changing the other bits"), std::string::npos) << reason;
  EXPECT_FALSE(
      FitValues(ValuesFromArguments({"two", "words"}), String("01DS010001016"), fitted, reason));
  EXPECT_NE(reason.find("one text"), std::string::npos) << reason;
  EXPECT_TRUE(
      FitValues(ValuesFromArguments({"1", "0x2", "3"}), Shape(kHostWord, 0), fitted, reason));
  EXPECT_EQ(fitted, (std::vector<std::string>{"1", "2", "3"}));
}

}  // namespace
}  // namespace zanhost

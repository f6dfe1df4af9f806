// CheckArrayTag: which tags may be read as a run of `count` values; and StringTagLength.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "address/address_fixture.h"

namespace zan::testing {
namespace {

using CheckArrayTagTest = AddressTest;
using StringTagLengthTest = AddressTest;

TEST_F(CheckArrayTagTest, RunLimitsByKind) {
  struct Case {
    const char* text;
    int32_t hostType;
    int32_t count;
    int32_t result;
  };
  const Case cases[] = {
      {"01DD0100008", kDouble, 500, 0},
      {"01DD0100008", kDouble, 600, 1},
      {"01DD0100006", kDouble, 600, 0},  // the half-aligned double word has the general limit
      {"01DF0100004", kFloat, 500, 0},
      {"01DF0100004", kFloat, 501, 1},
      {"01DF0100006", kFloat, 501, 1},
      {"01DW0100020", kPlain, 1000, 0},
      {"01DW0100020", kPlain, 1001, 1},
      {"01IB0002", kPlain, -5, 0},
      {"!05", kPlain, 1000, 0},
      {"01DS010001020", kText, 1, 1},
      {"01D10100100", kPlain, 1, 1},
      // The check-only parse skips the host type, the bit number and the end of I/Q/M texts.
      {"01DD0100008", kFloat, 1, 0},
      {"01DW010002016", kBit, 1, 0},
      {"01IB00020", kPlain, 1, 0},
      {"01IB0002", kBit, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.text << " count " << c.count);
    TagDefinition definition = Definition(c.text, c.hostType, 0, c.count);
    EXPECT_EQ(Send(kCommandCheckArrayTag, &definition), c.result);
  }
  EXPECT_EQ(log(), std::vector<std::string>{});
}

TEST_F(CheckArrayTagTest, OddFloatsHaveTheFloatLimit) {
  SetOptions(kFloatOdd);
  for (const char* text : {"01DF0100005", "01DF0100007"}) {
    SCOPED_TRACE(text);
    TagDefinition within = Definition(text, kFloat, 0, 500);
    EXPECT_EQ(Send(kCommandCheckArrayTag, &within), 0);
    TagDefinition beyond = Definition(text, kFloat, 0, 501);
    EXPECT_EQ(Send(kCommandCheckArrayTag, &beyond), 1);
  }
}

TEST_F(CheckArrayTagTest, RefusedAddressesLogTheirRefusal) {
  const struct {
    const char* text;
    int32_t hostType;
    const char* refusal;
  } cases[] = {
      {"01DD0100005", kDouble, "gate address must be even"},
      {"05DW0100020", kPlain, "PLC number out of limit"},
      {"02DB0100005", kPlain, "Bytes not supported for S5 PLCs"},
      {"01DW0100020", kBit, "wrong address string length for this type, should be 13 but is 11"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ClearLog();
    TagDefinition definition = Definition(c.text, c.hostType);
    EXPECT_EQ(Send(kCommandCheckArrayTag, &definition), 1);
    EXPECT_EQ(log(), std::vector<std::string>{Line(c.refusal)});
  }
}

TEST_F(StringTagLengthTest, LengthAsWrittenOrZero) {
  struct Case {
    const char* text;
    int options;
    int32_t length;
  };
  const Case cases[] = {
      {"01DS010001020", 0, 20},      {"01sb010001080", 0, 80},
      {"01DS0100010 7", 0, 7},       {"01DS0010001020", kLongDb, 20},
      {"01DS010001020", kLongDb, 0}, {"01DS0100010  ", 0, 0},
      {"01DS010001000", 0, 0},       {"01DS010001081", 0, 0},
      {"01DS01000", 0, 0},           {"", 0, 0},
      {"01DS010001020    ", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SetOptions(c.options);
    EXPECT_EQ(StringTagLength(state(), c.text), c.length);
  }
  EXPECT_EQ(StringTagLength(state(), nullptr), 0);

  // The read and write records begin with the pointer to the text.
  SetOptions(0);
  struct {
    const char* addressText;
    int32_t rest[12];
  } item{"01DS010001033", {}};
  ZanRequest request{};
  request.state = &state();
  request.argument = &item;
  EXPECT_EQ(StringTagLength(&request), 33);
  request.state = nullptr;
  EXPECT_EQ(StringTagLength(&request), 0);
  EXPECT_EQ(StringTagLength(nullptr), 0);
}

}  // namespace
}  // namespace zan::testing

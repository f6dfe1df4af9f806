// The user at work in the open dialog: choosing in the lists and the spinners.
#include <gtest/gtest.h>

#include "editor/editor_fixture.h"
#include "editor/editor_tables.h"

namespace zan::testing {
namespace {

using namespace editor;

TEST_F(EditorTest, AnotherPlcOffersFourAreasThenFiveTypesForADataBlock) {
  const int32_t result = Edit("01XW010001A", [](EditorForm& form) {
    EXPECT_TRUE(form.Choose(kPlcList, 2));  // PLC 5, an S7
    EXPECT_EQ(Summary(form), "05||-(0)|000-|0000-|-|Bit Number: (00 - 15)|(000 - 999)");
    EXPECT_EQ(form.controls().EntryCount(kAreaList), 4);  // no "Hexa Addr."
    EXPECT_TRUE(form.Choose(kAreaList, editor::kAreaDataBlock));
    EXPECT_EQ(form.controls().EntryCount(kTypeList), 5);  // no "String"
    EXPECT_TRUE(form.Choose(kPlcList, 1));  // PLC 2, an S5: data blocks to 255, no bytes
    EXPECT_EQ(Summary(form), "02||-(0)|000-|0000-|-|Bit Number: (00 - 15)|(000 - 255)");
    EXPECT_TRUE(form.Choose(kAreaList, editor::kAreaDataBlock));
    EXPECT_EQ(form.controls().EntryCount(kTypeList), 4);
    EXPECT_STREQ(form.controls().Entry(kTypeList, 0), "Word");
    EXPECT_TRUE(form.Choose(kTypeList, 1));  // "Double word": no bit number
    EXPECT_EQ(Summary(form),
              "02|Data Block|Double word(4)|000|0000|-|Bit Number: (none)|(000 - 255)");
    EXPECT_TRUE(form.Type(kDataBlockField, "12"));
    EXPECT_TRUE(form.Type(kAddressField, "40"));
    EXPECT_FALSE(form.Type(kAddressField, "4a"));  // digits only outside "Hexa Addr."
    return form.PressOk();
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(buffer(), "02DD0120040");
}

TEST_F(EditorTest, InputsTakeNoDataBlockAndTypingInAListClearsTheFieldsBehindIt) {
  Edit("01DW0100020", [](EditorForm& form) {
    EXPECT_TRUE(form.Choose(kAreaList, kAreaInput));
    EXPECT_TRUE(form.Choose(kTypeList, kTypeByte));
    EXPECT_EQ(Summary(form), "01|Input|Byte(2)|000-|0000||Bit Number: (00 - 07)|(000 - 999)");
    EXPECT_TRUE(form.Type(kTypeList, "Wo"));
    EXPECT_EQ(Summary(form), "01|Input|Wo(2)|000-|0000-|-|Bit Number: (00 - 07)|(000 - 999)");
    EXPECT_TRUE(form.Type(kAreaList, "Fl"));
    EXPECT_EQ(form.controls().EntryCount(kTypeList), 0);
    EXPECT_FALSE(form.controls().IsEnabled(kTypeList));
    return DialogOutcome::kCancelled;
  });
}

TEST_F(EditorTest, SpinnersStepAroundTheFieldsRange) {
  // clang-format off
  const struct {
    const char* open; int field; const char* typed; int spinner, code; const char* shown;
  } steps[] = {
    {"01DW0100020", kAddressField, "9999", kAddressSpinner, kLineUp, "0000"},
    {"01DW0100020", kAddressField, "0000", kAddressSpinner, kLineDown, "9999"},
    {"01DW0100020", kAddressField, "12", kAddressSpinner, 5, "12"},  // neither up nor down
    {"01IB0002", kBitField, "99", kBitSpinner, kLineUp, "01"},       // outside 0..7: from 0
    {"01SB010001020", kBitField, "80", kBitSpinner, kLineUp, "01"},
    {"01DW0100020", kDataBlockField, "999", kDataBlockSpinner, kLineUp, "000"},
    {"02DW0100020", kDataBlockField, "255", kDataBlockSpinner, kLineUp, "000"},  // an S5
    {"02DW0100020", kDataBlockField, "000", kDataBlockSpinner, kLineDown, "255"},
    // A hexadecimal offset takes letters and steps in hexadecimal.
    {"01XW010FFFF", kAddressField, "fffe", kAddressSpinner, kLineUp, "ffff"},
    {"01XW010FFFF", kAddressField, "ffff", kAddressSpinner, kLineUp, "0000"},
    {"!05", kBitField, "3", kBitSpinner, kLineUp, "3"},  // no type, no range
  };
  // clang-format on
  for (const auto& step : steps) {
    SCOPED_TRACE(std::string(step.open) + " " + step.typed);
    Edit(step.open, [&](EditorForm& form) {
      EXPECT_TRUE(form.Type(step.field, step.typed));
      EXPECT_TRUE(form.Spin(step.spinner, step.code));
      EXPECT_STREQ(form.controls().Text(step.field), step.shown);
      return DialogOutcome::kCancelled;
    });
  }
}

}  // namespace
}  // namespace zan::testing

// Opening the editor on each form of address, and what confirming gives back: the address as
// written, or a refusal that keeps the dialog open.
#include <gtest/gtest.h>

#include "editor/editor_controller.h"
#include "editor/editor_fixture.h"
#include "editor/editor_tables.h"

namespace zan::testing {
namespace {

using namespace editor;

TEST_F(EditorTest, EachAddressOpensAndConfirmsAsWrittenOrShowsItsRefusal) {
  WriteConfiguration("5=7,10.0.0.5\n100=7,10.0.0.100\n", 2);
  WriteConfiguration("LONG_DB=YES\n1=7,10.0.0.1\n", 3);
  WriteConfiguration("FLOAT_ODD_ADDRESS=YES\n1=7,10.0.0.1\n6=6,10.0.0.6\n", 4);
  const std::string illegalArea = "      Illegal Area Memory Number.      ",
                    illegalBit = "      Illegal Bit Number / String Lenght.      ",
                    illegalPlc = "      Illegal Plc Number.      ";
  const std::string oddDoubleWord = editor::kOddDoubleWordStart, oddFloat = editor::kOddFloatStart,
                    oddWord = editor::kOddWordStart;
  const struct {
    int32_t instance;
    const char* text;
    int field;  // typed into before OK; 0: nothing typed
    const char* typed;
    const char* shown;     // Summary() of the opened form; nullptr: not compared
    std::string returned;  // the buffer after OK, or the message that OK shows
  } rows[] = {
      {1, "01DW0100020", 0, "", "01|Data Block|Word(6)|010|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01DW0100020"},
      {1, "01DW010002012", 0, "",
       "01|Data Block|Word(6)|010|0020|12|Bit Number: (00 - 15)|(000 - 999)", "01DW010002012"},
      {3, "01DW00100020", 0, "",
       "01|Data Block|Word(6)|0010|0020||Bit Number: (00 - 15)|(0000 - 9999)", "01DW00100020"},
      {1, "01IB000203", 0, "", "01|Input|Byte(2)|000-|0002|03|Bit Number: (00 - 07)|(000 - 999)",
       "01IB000203"},
      {1, "01MW0020", 0, "", "01|Flags|Word(2)|000-|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01MW0020"},
      {1, "01SB010001020", 0, "",
       "01|Data Block|Char(6)|010|0010|20|String Length: (01 - 80)|(000 - 999)", "01SB010001020"},
      {1, "01DS010001020", 0, "",
       "01|Data Block|String(6)|010|0010|20|String Length: (01 - 80)|(000 - 999)", "01SS010001020"},
      // A hexadecimal offset comes back as it was written.
      {1, "01XW010001A", 0, "", "01|Hexa Addr.|Word(6)|010|001a||Bit Number: (00 - 15)|(000 - 999)",
       "01XW010001A"},
      {1, "01xw01000ff", 0, "", "01|Hexa Addr.|Word(6)|010|00ff||Bit Number: (00 - 15)|(000 - 999)",
       "01XW01000FF"},
      // An S5 (PLC 2) has no data block bytes and data blocks up to 255.
      {1, "02DW0100020", 0, "", "02|Data Block|Word(5)|010|0020||Bit Number: (00 - 15)|(000 - 255)",
       "02DW0100020"},
      {1, "02DB0100020", 0, "", "02|Data Block|(5)|010|0020|| |(000 - 255)",
       "      Illegal Tag Type Number.      "},
      {1, "02DW2560020", 0, "", nullptr, "      Illegal Data Block Number.      "},
      {4, "06DB9990005", 0, "", "06|Data Block|Byte(6)|999|0005||Bit Number: (00 - 07)|(000 - 999)",
       "06DB9990005"},  // type 6 keeps them
      // A double word or a float takes no bit number, and starts at an even S7 byte (a float at
      // an odd one with FLOAT_ODD_ADDRESS).
      {1, "01DD010000812", 0, "",
       "01|Data Block|Double word(6)|010|0008|-|Bit Number: (none)|(000 - 999)", "01DD0100008"},
      {1, "01DD0100006", 0, "", nullptr, "01DD0100006"},
      {1, "01DD0100005", 0, "", nullptr, oddDoubleWord},
      {1, "01DF0100007", 0, "", nullptr, oddFloat},
      {4, "01DF0100007", 0, "", nullptr, "01DF0100007"},
      {1, "02DD0100005", 0, "", nullptr, "02DD0100005"},  // S5 words: any
      {1, "02IW0003", 0, "", nullptr, oddWord},
      {1, "01QW0003", 0, "", nullptr, oddWord},
      // PLC 7 is not configured: the list keeps PLC 01.
      {1, "07DW0100020", 0, "", "01|Data Block|Word(6)|010|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01DW0100020"},
      {1, "", 0, "", "01||(2)|000-|0000|| |(000 - 999)", illegalArea},
      {1, "!05", 0, "", "01||(2)|000-|0000|| |(000 - 999)", illegalArea},
      {1, "01TB01000000100", 0, "", "01||Byte(2)|000-|0100|00|Bit Number: (00 - 07)|(000 - 999)",
       illegalArea},
      {2, "", 0, "", nullptr, illegalPlc},
      {2, "10DW0100020", 0, "", nullptr, illegalPlc},  // selects PLC 100
      {1, "01QB0002", kTypeList, "x", nullptr, "      Illegal Tag Type Number.      "},
      {1, "01DW0100020", kDataBlockField, "1000", nullptr,
       "      Illegal Data Block Number.      "},
      {1, "01DW0100020", kBitField, "16", nullptr, illegalBit},
      {1, "01SB010001020", kBitField, "", nullptr, "      Missing String Lenght.      "},
      {1, "01SB010001020", kBitField, "0", nullptr, illegalBit},
      // With LONG_DB a letter cannot end the offset.
      {3, "01XW0010001A", 0, "", nullptr, "      Illegal Address Number.      "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    ResetEditor();
    std::string message;
    const Script script = [&](EditorForm& form) {
      if (row.shown != nullptr) {
        EXPECT_EQ(Summary(form), row.shown);
      }
      if (row.field != 0) {
        EXPECT_TRUE(form.Type(row.field, row.typed));
      }
      const std::string before = Summary(form);
      const DialogOutcome outcome = PressOk(form, &message);
      if (!message.empty()) {
        EXPECT_EQ(outcome, DialogOutcome::kStay);
        EXPECT_EQ(Summary(form), before) << "the form stays as it was";
      }
      return outcome;
    };
    const int32_t result = Edit(row.text, script, row.instance);
    EXPECT_EQ(message.empty() ? buffer() : message, row.returned);
    EXPECT_EQ(result, message.empty() ? 0 : 53);
    if (!message.empty()) {
      EXPECT_EQ(buffer(), "");
    }
  }
}

}  // namespace
}  // namespace zan::testing

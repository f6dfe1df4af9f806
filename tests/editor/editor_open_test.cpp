// Opening the editor on each form of address, and what confirming at once gives back.
#include <gtest/gtest.h>

#include "editor/editor_fixture.h"

namespace zan::testing {
namespace {

using EditorOpenTest = EditorTest;

struct Opening {
  const char* text;
  bool longDb;
  const char* shown;     // Summary() of the opened form
  const char* returned;  // the buffer after OK, or the message that OK shows
};

TEST_F(EditorOpenTest, EachFormOfAddressOpensAndConfirmsAsWritten) {
  const Opening openings[] = {
      {"01DW0100020", false, "01|Data Block|Word(6)|010|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01DW0100020"},
      {"01DW010002012", false,
       "01|Data Block|Word(6)|010|0020|12|Bit Number: (00 - 15)|(000 - 999)", "01DW010002012"},
      {"01DW00100020", true, "01|Data Block|Word(6)|0010|0020||Bit Number: (00 - 15)|(0000 - 9999)",
       "01DW00100020"},
      {"01IB000203", false, "01|Input|Byte(2)|000-|0002|03|Bit Number: (00 - 07)|(000 - 999)",
       "01IB000203"},
      {"01MW0020", false, "01|Flags|Word(2)|000-|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01MW0020"},
      {"01SB010001020", false,
       "01|Data Block|Char(6)|010|0010|20|String Length: (01 - 80)|(000 - 999)", "01SB010001020"},
      {"01DS010001020", false,
       "01|Data Block|String(6)|010|0010|20|String Length: (01 - 80)|(000 - 999)", "01SS010001020"},
      // A hexadecimal offset comes back as it was written.
      {"01XW010001A", false, "01|Hexa Addr.|Word(6)|010|001a||Bit Number: (00 - 15)|(000 - 999)",
       "01XW010001A"},
      {"01xw01000ff", false, "01|Hexa Addr.|Word(6)|010|00ff||Bit Number: (00 - 15)|(000 - 999)",
       "01XW01000FF"},
      {"02DW0100020", false, "02|Data Block|Word(6)|010|0020||Bit Number: (00 - 15)|(000 - 999)",
       "02DW0100020"},
      // PLC 7 is not configured: the list keeps PLC 01.
      {"07DW0100020", false, "01|Data Block|Word(6)|010|0020||Bit Number: (00 - 15)|(000 - 999)",
       "01DW0100020"},
      {"", false, "01||(2)|000-|0000|| |(000 - 999)", "      Illegal Area Memory Number.      "},
      {"!05", false, "01||(2)|000-|0000|| |(000 - 999)", "      Illegal Area Memory Number.      "},
      {"01TB01000000100", false, "01||Byte(2)|000-|0100|00|Bit Number: (00 - 07)|(000 - 999)",
       "      Illegal Area Memory Number.      "},
  };
  for (const Opening& opening : openings) {
    SCOPED_TRACE(opening.text);
    WriteConfiguration(std::string("1=7,10.0.0.1\n2=5,10.0.0.2\n") +
                       (opening.longDb ? "LONG_DB=YES\n" : "COMM_TRACE=NO\n"));
    ResetEditor();
    std::string message;
    const int32_t result = Edit(opening.text, [&](EditorForm& form) {
      EXPECT_EQ(Summary(form), opening.shown);
      return PressOk(form, &message);
    });
    if (message.empty()) {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(buffer(), opening.returned);
    } else {
      EXPECT_EQ(message, opening.returned);
      EXPECT_EQ(result, 53);
      EXPECT_EQ(buffer(), "");
    }
  }
}

}  // namespace
}  // namespace zan::testing

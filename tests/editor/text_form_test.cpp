// The text form: commands typed line by line drive the same editor as the dialog.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "editor/address_editor.h"
#include "editor/editor_controller.h"
#include "editor/editor_fixture.h"
#include "editor/text_form.h"

namespace zan::testing {
namespace {

struct ScriptedTerminal final : editor::FormTerminal {
  std::vector<std::string> lines;
  std::string output;
  bool ReadLine(char* buffer, int capacity) override {
    if (lines.empty()) return false;
    std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s", lines.front().c_str());
    lines.erase(lines.begin());
    return true;
  }
  void Write(const char* text) override { output += text; }
} terminal;

void Session(std::vector<std::string> lines) {
  terminal.lines = std::move(lines);
  terminal.output.clear();
}

int RunOnTerminal(ZanRequest* request, uintptr_t) {
  return editor::RunTextForm(request, editor::TheEditorState(), terminal);
}

using TextFormTest = EditorTest;

TEST_F(TextFormTest, CommandsComposeAnAddressAndTheEndOfInputCancels) {
  editor::InstallDialogRunner(&RunOnTerminal);
  Session({"area input", "type 1", "addr 12", "bit 9", "ok", "bit 7", "up addr", "frob", "ok"});
  EXPECT_EQ(Edit("01DW0100020", Script()), 0);
  EXPECT_EQ(buffer(), "01IB001307");
  for (const char* shown :
       {"Illegal Address:      Illegal Bit Number / String Lenght.      ", "Unknown command.",
        "  Data Block number:   [000]          (000 - 999)  (disabled)"}) {
    EXPECT_NE(terminal.output.find(shown), std::string::npos) << shown;
  }

  Session({"plc 5", "area 1", "type word", "db 7", "ok"});  // PLCs by their number
  EXPECT_EQ(Edit("01DW0100020", Script()), 0);
  EXPECT_EQ(buffer(), "05DW0070000");

  Session({"plc 3"});
  EXPECT_EQ(Edit("01DW0100020", Script()), 53);
  EXPECT_NE(terminal.output.find("Not taken"), std::string::npos);
  EXPECT_EQ(buffer(), "");
}

TEST_F(TextFormTest, AnS5IsOfferedWhatTheParserTakesForIt) {
  editor::InstallDialogRunner(&RunOnTerminal);
  // PLC 2 is an S5: no "Byte" for a data block, data blocks up to 255.
  Session({"plc 2", "area 1", "type byte", "type 1", "db 300", "ok", "db 255", "addr 7", "ok"});
  EXPECT_EQ(Edit("01DW0100020", Script()), 0);
  EXPECT_EQ(buffer(), "02DW2550007");
  for (const char* shown :
       {"entries: 1 Word, 2 Double word, 3 Float, 4 Char", "Not taken", "(000 - 255)",
        "Illegal Address:      Illegal Data Block Number.      "}) {
    EXPECT_NE(terminal.output.find(shown), std::string::npos) << shown;
  }

  // An S7 double word at an odd byte: OK says why, and the form stays.
  Session({"addr 5", "ok", "addr 4", "ok"});
  EXPECT_EQ(Edit("01DD0100008", Script()), 0);
  EXPECT_EQ(buffer(), "01DD0100004");
  EXPECT_NE(terminal.output.find(editor::kOddDoubleWordStart), std::string::npos);
}

}  // namespace
}  // namespace zan::testing

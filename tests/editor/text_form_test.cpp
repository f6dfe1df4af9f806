// The text form: commands typed line by line drive the same editor as the dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "editor/address_editor.h"
#include "editor/editor_fixture.h"
#include "editor/text_form.h"

namespace zan::testing {
namespace {

class ScriptedTerminal final : public editor::FormTerminal {
 public:
  std::vector<std::string> lines;
  std::size_t next = 0;
  std::string output;

  bool ReadLine(char* buffer, int capacity) override {
    if (next == lines.size()) return false;
    std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s", lines[next++].c_str());
    return true;
  }
  void Write(const char* text) override { output += text; }
};

ScriptedTerminal* terminal = nullptr;

int RunOnTerminal(ZanRequest* request, uintptr_t) {
  return editor::RunTextForm(request, editor::TheEditorState(), *terminal);
}

class TextFormTest : public EditorTest {
 protected:
  int32_t Type(const std::vector<std::string>& lines) {
    session_ = ScriptedTerminal{};
    session_.lines = lines;
    terminal = &session_;
    editor::InstallDialogRunner(&RunOnTerminal);
    return Edit("01DW0100020", Script());
  }
  ScriptedTerminal session_;
};

TEST_F(TextFormTest, CommandsComposeAnAddress) {
  EXPECT_EQ(
      Type({"area input", "type 1", "addr 12", "bit 9", "ok", "bit 7", "up addr", "frob", "ok"}),
      0);
  EXPECT_EQ(buffer(), "01IB001307");
  EXPECT_NE(session_.output.find("Illegal Address:      Illegal Bit Number / String Lenght."),
            std::string::npos);
  EXPECT_NE(session_.output.find("Unknown command."), std::string::npos);
  EXPECT_NE(session_.output.find("  Data Block number:   [000]          (000 - 999)  (disabled)"),
            std::string::npos);
}

TEST_F(TextFormTest, ChoosesPlcsByNumberAndEndOfInputCancels) {
  EXPECT_EQ(Type({"plc 5", "area 1", "type word", "db 7", "ok"}), 0);
  EXPECT_EQ(buffer(), "05DW0070000");
  EXPECT_EQ(Type({"plc 3"}), 53);
  EXPECT_NE(session_.output.find("Not taken"), std::string::npos);
  EXPECT_EQ(buffer(), "");
}

}  // namespace
}  // namespace zan::testing

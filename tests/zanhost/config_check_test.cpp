// The check of a configuration file: the driver's reader run line by line, and the notes on what
// looks wrong.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "session/config_check.h"

namespace zanhost {
namespace {

class ConfigCheckTest : public ::testing::Test {
 protected:
  CheckReport Check(const std::string& text) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("zanhost-check-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         ".INT");
    std::ofstream(path, std::ios::binary) << text;
    CheckReport report;
    std::string error;
    EXPECT_TRUE(CheckConfiguration(path.string(), report, error)) << error;
    std::filesystem::remove(path);
    return report;
  }
  // The notes of one line, "severity: text" each, joined by " | ".
  static std::string NotesOf(const CheckReport& report, int line) {
    std::string text;
    for (const CheckNote& note : report.notes) {
      if (note.line != line) continue;
      const char* severity = note.severity == CheckNote::kError     ? "error: "
                             : note.severity == CheckNote::kWarning ? "warning: "
                                                                    : "";
      text += (text.empty() ? "" : " | ") + std::string(severity) + note.text;
    }
    return text;
  }
};

TEST_F(ConfigCheckTest, CleanFileHasOneNoteALineAndNoFinding) {
  const CheckReport report =
      Check("// plant\n1=7, 127.0.0.1, 2\n2=7,127.0.0.2,0A\n3=5,127.0.0.3\nBACKUP_1=2\n");
  EXPECT_TRUE(report.loads);
  EXPECT_EQ(report.plcs, 3);
  EXPECT_EQ(report.errors + report.warnings, 0);
  EXPECT_EQ(NotesOf(report, 1), "comment");
  EXPECT_EQ(NotesOf(report, 3), "PLC 2: S7 at 127.0.0.2, slot 10");
  EXPECT_EQ(NotesOf(report, 4),
            "PLC 3: S5 at 127.0.0.3, TSAPs \"KORVEL  \", \"KORREAD \", \"KORWRITE\"");
  EXPECT_EQ(NotesOf(report, 5), "PLC 2 is the backup of PLC 1");
}

TEST_F(ConfigCheckTest, NamesWhatLooksWrongByLine) {
  const CheckReport report = Check(
      "1=7, 10.0.0.1\n"                // 1: no slot
      "\n"                             // 2: empty line
      "BACKUP_1=9\n"                   // 3: unknown backup
      "2=7, 10.0.0.1, 2\n"             // 4: the same address as PLC 1
      "PLC3=7, 10.0.0.3\n"             // 5: no number
      "4=7, 10.0.0.4, 100\n"           // 6: slot out of range, address kept
      "120=7, 10.0.0.120, 2\n"         // 7: no tag names it
      "COMM_TRACE=NO\n"                // 8: ignored
      "5=5, 10.0.0.5, my long tsap\n"  // 9: TSAP cut
      "1=7, 10.0.0.11, 2\n"            // 10: PLC 1 again
      "6=7,1.2");                      // 11: too short a last line
  EXPECT_TRUE(report.loads);
  EXPECT_EQ(NotesOf(report, 1),
            "PLC 1: S7 at 10.0.0.1, slot 2 | warning: no slot given: the "
            "driver uses slot 2 (write it as the third field, e.g. "
            "\"1=7, 10.0.0.1, 2\")");
  EXPECT_EQ(NotesOf(report, 2).substr(0, 31), "warning: an empty line: the dri");
  EXPECT_NE(NotesOf(report, 3).find("warning: unknown backup: no line configures PLC 9"),
            std::string::npos);
  EXPECT_EQ(NotesOf(report, 4), "PLC 2: S7 at 10.0.0.1, slot 2");  // PLC 1 moved on line 10
  EXPECT_NE(NotesOf(report, 5).find("error: refused (ZanDOR: Illegal PlcType at line PLC3=7,"),
            std::string::npos);
  EXPECT_NE(NotesOf(report, 6).find("warning: the driver keeps the part it read all the same: "
                                    "PLC 4: S7 at 10.0.0.4, slot 2"),
            std::string::npos);
  EXPECT_NE(NotesOf(report, 7).find("warning: no tag can name PLC 120"), std::string::npos);
  EXPECT_NE(NotesOf(report, 8).find("warning: COMM_TRACE without YES"), std::string::npos);
  EXPECT_NE(
      NotesOf(report, 9).find("\" MY LONG TSAP\" is cut to its first 8 characters \" MY LONG\""),
      std::string::npos);
  EXPECT_NE(NotesOf(report, 10).find("warning: PLC 1 again (line 1)"), std::string::npos);
  EXPECT_NE(NotesOf(report, 11).find("warning: ignored: the last line has no line feed"),
            std::string::npos);
  const CheckReport twice = Check("1=7, 10.0.0.1, 2\n2=7, 10.0.0.1, 2\n");
  EXPECT_EQ(
      NotesOf(twice, 2),
      "PLC 2: S7 at 10.0.0.1, slot 2 | warning: PLC 2 has the same address as PLC 1 (line 1)");
}

TEST_F(ConfigCheckTest, TypeSixTakesNoSlotFromItsLine) {
  const CheckReport report = Check("1=6, 10.0.0.1\n2=6, 10.0.0.2, 3\n");
  EXPECT_EQ(NotesOf(report, 1), "PLC 1: type 6 at 10.0.0.1, slot 2");
  EXPECT_EQ(NotesOf(report, 2),
            "PLC 2: type 6 at 10.0.0.2, slot 2 | warning: a PLC of type 6 always connects to "
            "slot 2: the fields after its address are TSAPs, which it does not use");
}

TEST_F(ConfigCheckTest, FilesThatInitRefuses) {
  for (const char* text : {"", "PLC1=7,10.0.0.1\n", "1=7,10.0.0.1,2\nBACKUP_0=1\n"}) {
    const CheckReport report = Check(text);
    EXPECT_FALSE(report.loads) << text;
    EXPECT_NE(NotesOf(report, 0).find("error: Init refuses the file"), std::string::npos) << text;
  }
  EXPECT_TRUE(Check("1=7,10.0.0.1,2\nBACKUP_0=1\n// a comment counts\n").loads);
}

}  // namespace
}  // namespace zanhost

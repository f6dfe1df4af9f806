// The configuration file: line filter, line kinds, PLC rows, backup pairs, options, and the verdict
// that decides Init's result.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_loader.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

using Lines = std::vector<std::string>;
using namespace std::string_literals;

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

class ConfigLoaderTest : public HostFixture {
 protected:
  // Loads `file` into a freshly reset state and answers as Init would: 0 for a load that
  // succeeded, 2 for one that failed. loaded() then holds the lines it logged.
  int32_t Load(const std::string& file) {
    WriteConfiguration(file);
    ClearLog();
    ResetDriverState(state());
    bool verdict = LoadConfiguration(state(), 1);
    loaded_ = log();
    return verdict ? 0 : 2;
  }
  const Lines& loaded() const { return loaded_; }

 private:
  Lines loaded_;
};

TEST_F(ConfigLoaderTest, ExampleFileLoadsEveryKindOfLine) {
  ASSERT_EQ(Load("// instance 1 PLC table\n"
                 "LONG_DB = YES\n"
                 "COMM_TRACE = NO\n"
                 "1=7, 192.168.0.10, 2\n"
                 "2=7,192.168.0.11,0A\n"
                 "3=5,192.168.0.20\n"
                 "4=5,192.168.0.21,LOCAL01,READ01,WRITE01\n"
                 "BACKUP_1=2\n"),
            0);

  EXPECT_EQ(loaded(),
            Concat({{"zanDOR: Set long DB to YES (4 digits)"},
                    S7RowLog(1, "192.168.0.10", 2),
                    S7RowLog(2, "192.168.0.11", 10),
                    S5RowLog(3, "192.168.0.20", "KORVEL  ", "KORREAD ", "KORWRITE"),
                    S5RowLog(4, "192.168.0.21", "LOCAL01", "READ01", "WRITE01"),
                    {"ZanDOR: ============================", "ZanDOR:  PLC # 1 Backup is PLC # 2",
                     "ZanDOR: ============================"}}));
  EXPECT_EQ(state().longDb, 1);
  EXPECT_EQ(state().commTrace, 0);
  EXPECT_EQ(plc(1).type, 7);
  EXPECT_STREQ(plc(1).ipAddress, "192.168.0.10");
  EXPECT_EQ(plc(2).slot, 10);
  EXPECT_EQ(plc(3).type, 5);
  EXPECT_STREQ(plc(4).writeTsap, "WRITE01");
  EXPECT_EQ(plc(1).backupPlc, 2);
  EXPECT_EQ(plc(1).linkState, kLinkUntriedOrRefused);
}

TEST_F(ConfigLoaderTest, VerdictIsThatOfTheLastCountingLine) {
  struct Case {
    const char* file;
    int32_t result;
  };
  const Case cases[] = {
      {"", 2},
      {"// only comments\n//\n", 0},
      {"0=7,10.0.0.1\n512=7,10.0.0.1\nX\n", 2},  // every line refused
      {"1=7,10.0.0.1\nBACKUP_0=1\n", 2},
      {"1=7,10.0.0.1\nBACKUP_0=1\n// after\n", 0},
      {"BACKUP_0=1\n1=7,10.0.0.1\n", 0},
      {"1=7,10.0.0.1\n\n", 0},  // a blank line is refused and leaves the verdict
      {"LONG_DB=NO\n", 0},
      {"1=7,10.0.0.1\n1=7,10.0.0.1,100\n", 0},  // a refused line leaves the verdict
      {"1=7,1.2.3", 2},  // a last line of 9 characters without a line feed is ignored
      {"1=7,1.2.3.4", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(Load(c.file), c.result);
  }
}

TEST_F(ConfigLoaderTest, CommentsLeaveTheTableAsReset) {
  ASSERT_EQ(Load("// a\n// b 1=7,10.0.0.1\n"), 0);
  EXPECT_TRUE(loaded().empty());
  for (int n = 0; n < kPlcCount; ++n)
    ASSERT_FALSE(IsConfiguredPlc(state(), n));
}

TEST_F(ConfigLoaderTest, FilterDropsBlanksBeforeTheFirstCommaAndControlsEverywhere) {
  // Blanks before the first comma vanish, blanks after it stay; CR, NUL, TAB and bytes of 128
  // and above vanish everywhere.
  const std::string file = "  1 = 5 ,\t10.0.0.5\r, my\x80 tsap\xff,\x01r\0d, w r \r\n"s;
  ASSERT_EQ(Load(file), 0);
  EXPECT_EQ(loaded(), S5RowLog(1, "10.0.0.5", " MY TSAP", "RD", " W R "));
}

TEST_F(ConfigLoaderTest, KeywordsAndTextsAreUpperCased) {
  ASSERT_EQ(Load("long_db=yes\ncomm_trace = Yes\nfloat_odd_address YES\n5=5,10.0.0.5,my tsap\n"),
            0);
  EXPECT_EQ(state().longDb, 1);
  EXPECT_EQ(state().commTrace, 1);
  EXPECT_EQ(state().floatOddAddress, 1);
  EXPECT_STREQ(plc(5).localTsap, "MY TSAP");
  EXPECT_STREQ(plc(5).readTsap, "KORREAD ");
  EXPECT_STREQ(plc(5).writeTsap, "KORWRITE");
  EXPECT_EQ(loaded(),
            Concat({{"zanDOR: Set long DB to YES (4 digits)",
                     "zanDOR: Set COMM_TRACE to YES to enable debug of read/write operations",
                     "zanDOR: Odd Address is allowed for float tags"},
                    S5RowLog(5, "10.0.0.5", "MY TSAP", "KORREAD ", "KORWRITE")}));
}

TEST_F(ConfigLoaderTest, OptionNeedsYesFromItsKeywordOnward) {
  ASSERT_EQ(Load("YES LONG_DB\nCOMM_TRACE=NO\n"), 0);
  EXPECT_EQ(state().longDb, 0);
  EXPECT_EQ(state().commTrace, 0);
  EXPECT_TRUE(loaded().empty());
}

TEST_F(ConfigLoaderTest, RefusedPlcLines) {
  struct Case {
    const char* line;
    const char* message;
    bool addressStored = false;  // refused after the address was stored
  };
  const Case cases[] = {
      {"0=7,10.0.0.1", "ZanDOR: Illegal input line 0=7,10.0.0.1"},
      {"512=7,10.0.0.1", "ZanDOR: Illegal input line 512=7,10.0.0.1"},
      {"-1=7,10.0.0.1", "ZanDOR: Illegal input line -1=7,10.0.0.1"},
      {"-99999999999=7,10.0.0.1", "ZanDOR: Illegal input line -99999999999=7,10.0.0.1"},
      {"1=8,10.0.0.1", "ZanDOR: Illegal PlcType at line 1=8,10.0.0.1"},
      {"1,10.0.0.1", "ZanDOR: Illegal PlcType at line 1,10.0.0.1"},
      {"PLC=7,10.0.0.1", "ZanDOR: Illegal PlcType at line PLC=7,10.0.0.1"},
      {"", "ZanDOR: Illegal PlcType at line "},
      {"1=7", "ZanDOR: Illegal input line 1=7"},
      // Addresses that are not four numbers of 0 to 255.
      {"1=7,10.0.0.256", "ZanDOR: Illegal input line 1=7,10.0.0.256"},
      {"1=7,10.0.0.-1", "ZanDOR: Illegal input line 1=7,10.0.0.-1"},
      {"1=7,4294967296.0.0.1", "ZanDOR: Illegal input line 1=7,4294967296.0.0.1"},
      {"1=7,10.0.0.1.5", "ZanDOR: Illegal input line 1=7,10.0.0.1.5"},
      {"1=7,10.0.0", "ZanDOR: Illegal input line 1=7,10.0.0"},
      {"1=7,HOST", "ZanDOR: Illegal input line 1=7,HOST"},
      {"1=7,,2", "ZanDOR: Illegal input line 1=7,,2"},
      // Slots that are not a hexadecimal number of 0 to FF.
      {"1=7,10.0.0.1,100", "ZanDOR: Illegal input line 1=7,10.0.0.1,100", true},
      {"1=7,10.0.0.1,-1", "ZanDOR: Illegal input line 1=7,10.0.0.1,-1", true},
      {"1=7,10.0.0.1,SLOT", "ZanDOR: Illegal input line 1=7,10.0.0.1,SLOT", true},
      {"1=7,10.0.0.1,FFFFFFFFFFFF", "ZanDOR: Illegal input line 1=7,10.0.0.1,FFFFFFFFFFFF", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Load(std::string("// keep the verdict\n") + c.line + "\n"), 0);
    EXPECT_EQ(loaded(), Lines{c.message});
    for (int n = 0; n < kPlcCount; ++n) {
      ASSERT_EQ(IsConfiguredPlc(state(), n), n == 1 && c.addressStored) << n;
    }
  }
}

TEST_F(ConfigLoaderTest, RefusedLineKeepsWhatWasStoredBeforeTheFault) {
  ASSERT_EQ(Load("1=7,10.0.0.1,100\n3=5\n"), 2);
  // The slot is refused after the address was stored: the row counts as configured.
  EXPECT_STREQ(plc(1).ipAddress, "10.0.0.1");
  EXPECT_EQ(plc(1).slot, 2);
  // Without a comma the type and the S5 TSAP defaults stay.
  EXPECT_EQ(plc(3).type, 5);
  EXPECT_STREQ(plc(3).readTsap, "KORREAD ");
  EXPECT_FALSE(IsConfiguredPlc(state(), 3));
}

TEST_F(ConfigLoaderTest, SlotField) {
  struct Case {
    const char* line;
    int slot;
  };
  const Case cases[] = {
      {"1=7,10.0.0.1,FF", 255},  {"1=7,10.0.0.1, 0a rack 0", 10},
      {"1=7,10.0.0.1,0x1F", 31}, {"1=7,10.0.0.1,0", 0},
      {"1=7,10.0.0.1", 2},       {"1=7,10.0.0.1,", 2},
      {"1=7,10.0.0.1,   ", 2},   {"1=7,10.0.0.1,3,4", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_EQ(Load(std::string(c.line) + "\n"), 0);
    EXPECT_EQ(loaded(), S7RowLog(1, "10.0.0.1", c.slot));
  }
}

TEST_F(ConfigLoaderTest, AddressIsStoredReformatted) {
  ASSERT_EQ(Load("1=7, 010 . 000.0.001 ,2\n2=6,10.0.0.3\n"), 0);
  EXPECT_STREQ(plc(1).ipAddress, "10.0.0.1");
  // A type-6 row has an S7-style connection and logs its slot.
  EXPECT_EQ(loaded(), Concat({S7RowLog(1, "10.0.0.1", 2), S7RowLog(2, "10.0.0.3", 2, 6)}));
}

TEST_F(ConfigLoaderTest, TsapFields) {
  struct Case {
    const char* line;
    const char* local;
    const char* read;
    const char* write;
  };
  const Case cases[] = {
      {"4=5,10.0.0.4,LOCAL01,READ01,WRITE01", "LOCAL01", "READ01", "WRITE01"},
      {"4=5,10.0.0.4,L", "L", "KORREAD ", "KORWRITE"},
      {"4=5,10.0.0.4,L,R", "L", "R", "KORWRITE"},
      {"4=5,10.0.0.4,,,", "", "", ""},
      {"4=5,10.0.0.4,A,B,C,D", "A", "B", "C,D"},  // the last TSAP takes the rest of the line
      // Longer than 8 characters: logged and kept as the first 8.
      {"4=5,10.0.0.4,LOCALTSAP1,READTSAP12,WRITETSAP123", "LOCALTSA", "READTSAP", "WRITETSA"},
      // Longer than the 24 characters a field holds: cut, never written past the field.
      {"4=5,10.0.0.4,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,R,W", "ABCDEFGH", "R", "W"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    ASSERT_EQ(Load(std::string(c.line) + "\n"), 0);
    EXPECT_EQ(loaded(), S5RowLog(4, "10.0.0.4", c.local, c.read, c.write));
    EXPECT_STREQ(plc(4).localTsap, c.local);
    EXPECT_STREQ(plc(4).readTsap, c.read);
    EXPECT_STREQ(plc(4).writeTsap, c.write);
    EXPECT_EQ(plc(4).readTsap[24], '\0');
  }
}

TEST_F(ConfigLoaderTest, TypeSixKeepsTheResetTsaps) {
  ASSERT_EQ(Load("6=6,10.0.0.6\n7=6,10.0.0.7,LOC\n"), 0);
  EXPECT_EQ(plc(6).localTsap[0], 0x01);
  EXPECT_EQ(plc(6).readTsap[0], 0x03);
  EXPECT_STREQ(plc(7).localTsap, "LOC");
}

TEST_F(ConfigLoaderTest, LaterLineOverwritesWhatItGives) {
  ASSERT_EQ(Load("4=5,10.0.0.4,L,R,W\nBACKUP_4=9\n4=5,10.0.0.44\n4=7,10.0.0.45\n"), 0);
  EXPECT_EQ(plc(4).type, 7);
  EXPECT_STREQ(plc(4).ipAddress, "10.0.0.45");
  EXPECT_STREQ(plc(4).localTsap, "KORVEL  ") << "the type-5 line set the defaults again";
  EXPECT_EQ(plc(4).backupPlc, 9);
}

TEST_F(ConfigLoaderTest, BackupLines) {
  struct Case {
    const char* line;
    int32_t result;
    int backup;  // backupPlc of PLC 1
  };
  const Case cases[] = {
      {"BACKUP_1=2", 0, 2},
      {"backup_1=255", 0, 255},
      {"PAIR BACKUP_1=3", 0, 3},
      {"BACKUP_1=0", 2, 0},
      {"BACKUP_0=1", 2, 0},
      {"BACKUP_512=1", 2, 0},
      {"BACKUP_1=512", 2, 0},
      {"BACKUP_-1=2", 2, 0},
      {"BACKUP_1", 2, 0},
      {"BACKUP_1:2", 2, 0},
      {"BACKUP_X=2", 2, 0},
      // backupPlc holds 8 bits; 256 would name PLC 0.
      {"BACKUP_1=256", 2, 0},
      {"BACKUP_1=511", 2, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(Load(std::string(c.line) + "\n"), c.result);
    EXPECT_EQ(plc(1).backupPlc, c.backup);
    if (c.result == 2) {
      EXPECT_EQ(loaded(), Lines{std::string("ZanDOR: Illegal PLC number: ") + c.line});
    }
  }
}

TEST_F(ConfigLoaderTest, OverlongLinesAreRefusedWholeAndNeverOverrun) {
  const std::string longTsap(400, 'T');
  const std::string longComment = "//" + std::string(300, 'c');
  ASSERT_EQ(Load("1=7,10.0.0.1\n4=5,10.0.0.4,L,R," + longTsap + "\n" + longComment + "\n"), 0);
  ASSERT_EQ(loaded().size(), 6u);
  const std::string refused = loaded()[5];
  EXPECT_EQ(refused,
            "ZanDOR: Illegal input line " + ("4=5,10.0.0.4,L,R," + longTsap).substr(0, 135));
  EXPECT_FALSE(IsConfiguredPlc(state(), 4));
}

TEST_F(ConfigLoaderTest, LastLineWithoutLineFeed) {
  EXPECT_EQ(Load("// x\n1=7,1.2.3"), 0);
  EXPECT_TRUE(loaded().empty()) << "9 characters: ignored";
  EXPECT_EQ(Load("1=7,1.2.3.4"), 0);
  EXPECT_EQ(loaded(), S7RowLog(1, "1.2.3.4", 2));
  // Characters that the filter drops do not count towards the ten.
  EXPECT_EQ(Load("// x\n 1 = 7 ,1.2.3"), 0);
  EXPECT_TRUE(loaded().empty());
}

}  // namespace
}  // namespace zan::testing

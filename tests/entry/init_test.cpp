#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "entry/init.h"
#include "entry/version_text.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

class InitTest : public HostFixture {
 protected:
  static std::string VersionLine() {
    return std::string("ZanDOR: Siemens S5&S7 TCP/IP driver, Version : 10,0,0,10, ") + BuildText();
  }
};

TEST(BuildTextTest, HasTheFormOfTheVersionLine) {
  const std::string text = BuildText();
  // "compiled on Jun  4 2007 at 15:59:08"
  ASSERT_EQ(text.size(), 35u) << text;
  EXPECT_EQ(text.substr(0, 12), "compiled on ");
  EXPECT_EQ(text.substr(23, 4), " at ");
  EXPECT_EQ(text[29], ':');
  EXPECT_EQ(text[32], ':');
}

TEST_F(InitTest, DisabledInstanceLogsOnlyItsVersionLine) {
  WriteConfiguration("1=7,10.0.0.1\n");
  state().timeout = 4711;
  plc(1).type = 0x55;
  InitArgument argument{};
  argument.enabled = 0;
  argument.timeoutSetting = 25;

  EXPECT_EQ(Send(kCommandInit, &argument), 0);

  EXPECT_EQ(log(), std::vector<std::string>{VersionLine()});
  EXPECT_EQ(state().channelActive, 0);
  EXPECT_EQ(state().timeout, 4711) << "nothing else is set up";
  EXPECT_EQ(plc(1).type, 0x55) << "no reset, no file read";
  EXPECT_TRUE(transport().calls().empty()) << "no connection";
}

TEST_F(InitTest, TimeoutFromTheHostSetting) {
  struct Case {
    int32_t setting;
    int32_t timeout;
  };
  const Case cases[] = {
      {0, 1000},
      {9, 1000},
      {10, 100},
      {25, 250},
      {-1, 1000},
      {INT_MIN, 1000},
      {100, 1000},
      {99, 990},
      {214748364, 2147483640},
      {214748365, INT_MAX},
      {INT_MAX, INT_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeoutFromSetting(c.setting), c.timeout) << c.setting;
  }

  WriteConfiguration("// nothing\n");
  ASSERT_EQ(Init(9), 0);
  EXPECT_EQ(state().timeout, 1000);
  ASSERT_EQ(Init(10), 0);
  EXPECT_EQ(state().timeout, 100);
}

TEST_F(InitTest, MissingConfigurationFileFailsWithTwo) {
  state().timeout = 0;
  EXPECT_EQ(Init(25, 7), 2);
  EXPECT_EQ(log(),
            (std::vector<std::string>{VersionLine(), "ZanDOR : File zanDOR07.INT not found !"}));
  EXPECT_EQ(state().channelActive, 1);
  EXPECT_EQ(state().timeout, 250) << "the time-out and the defaults stay set";
  EXPECT_EQ(plc(1).linkState, kLinkUntriedOrRefused);
  EXPECT_TRUE(transport().calls().empty()) << "the transport is not opened";
}

TEST_F(InitTest, FileThatFailsToLoadFailsWithTwoAndConnectsNothing) {
  for (const char* file : {"", "0=7,10.0.0.1\n", "1=7,10.0.0.1\nBACKUP_0=1\n"}) {
    SCOPED_TRACE(file);
    transport().ClearCalls();
    WriteConfiguration(file);
    EXPECT_EQ(Init(), 2);
    EXPECT_TRUE(transport().calls().empty());
  }
}

TEST_F(InitTest, InstanceNumberNamesTheFile) {
  WriteConfiguration("// instance 123\n", 123);
  EXPECT_EQ(Init(10, 123), 0);
  EXPECT_EQ(Init(10, 3), 2);
  EXPECT_EQ(log().back(), "ZanDOR : File zanDOR03.INT not found !");
}

TEST_F(InitTest, SecondInitStartsFromTheDefaultsAgain) {
  WriteConfiguration("LONG_DB=YES\n1=7,10.0.0.1,5\nBACKUP_1=2\n");
  ASSERT_EQ(Init(), 0);
  ASSERT_EQ(plc(1).slot, 5);
  state().cache[3].tagId = 42;
  state().cache[3].valid = 1;

  WriteConfiguration("2=7,10.0.0.2\n");
  ASSERT_EQ(Init(), 0);

  EXPECT_EQ(plc(1).ipAddress[0], '\0');
  EXPECT_EQ(plc(1).slot, 2);
  EXPECT_EQ(plc(1).backupPlc, 0);
  EXPECT_EQ(state().longDb, 0);
  EXPECT_STREQ(plc(2).ipAddress, "10.0.0.2");
  EXPECT_EQ(state().cache[3].tagId, kCacheSlotFree);
  EXPECT_EQ(state().cache[3].valid, 0);
}

}  // namespace
}  // namespace zan::testing

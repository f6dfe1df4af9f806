#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "entry/driver_info.h"
#include "support/host_fixture.h"

namespace zan::testing {
namespace {

class DriverInfoTest : public HostFixture {};

TEST_F(DriverInfoTest, WritesTheSixFieldsAndNothingElse) {
  DriverInfo info;
  std::memset(&info, 0x77, sizeof info);

  ASSERT_EQ(Send(kCommandGetDriverInfo, &info), 0);

  EXPECT_EQ(info.infoCode, 82);
  EXPECT_STREQ(info.driverName, "SIEMENS, SIMATIC S5 & S7 Family");
  EXPECT_EQ(info.banner, InstallationBanner());
  EXPECT_EQ(info.stateSize, 165912);
  EXPECT_EQ(info.infoFlag, 1);
  EXPECT_EQ(info.infoValue, 35);
  for (unsigned char byte : info.reserved)
    EXPECT_EQ(byte, 0x77);
  EXPECT_TRUE(log().empty());
}

TEST_F(DriverInfoTest, NeedsNoInitAndTouchesNoState) {
  std::memset(&state(), 0xC3, sizeof(DriverState));
  DriverInfo info{};
  ASSERT_EQ(Send(kCommandGetDriverInfo, &info), 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&state());
  for (std::size_t i = 0; i < sizeof(DriverState); ++i)
    ASSERT_EQ(bytes[i], 0xC3) << i;
}

TEST(BannerTest, IsSixFramedLinesOf63CharactersInCodePage437) {
  const std::string banner = InstallationBanner();
  ASSERT_EQ(banner.size(), 385u);
  ASSERT_EQ(banner[0], '\n');

  std::vector<std::string> lines;
  for (std::size_t begin = 1; begin < banner.size();) {
    std::size_t end = banner.find('\n', begin);
    ASSERT_NE(end, std::string::npos) << "every line ends in a line feed";
    lines.push_back(banner.substr(begin, end - begin));
    begin = end + 1;
  }
  ASSERT_EQ(lines.size(), 6u);
  for (const std::string& line : lines)
    EXPECT_EQ(line.size(), 63u) << line;

  EXPECT_EQ(lines[0], "\xDA" + std::string(61, '\xC4') + "\xBF");
  EXPECT_EQ(lines[1], "\xB3 " + std::string(5, '\xDB') + std::string(6, '\xB2') +
                          std::string(6, '\xB1') + std::string(6, '\xB0') + " Z A N D O R " +
                          std::string(6, '\xB0') + std::string(6, '\xB1') + std::string(6, '\xB2') +
                          std::string(5, '\xDB') + " \xB3");
  EXPECT_EQ(lines[2], "\xB3" + std::string(11, ' ') + "SIEMENS SIMATIC S5, Driver installed." +
                          std::string(13, ' ') + "\xB3");
  EXPECT_EQ(lines[3], "\xB3" + std::string(9, ' ') + "Siemens SIMATIC S5 & S7 family, TCP/IP" +
                          std::string(14, ' ') + "\xB3");
  EXPECT_EQ(lines[4].substr(0, 8), "\xB3" + std::string(7, ' '));
  const std::string notice = lines[4].substr(8, lines[4].find_last_not_of(" \xB3") - 7);
  EXPECT_TRUE(notice.ends_with("Version 8.00")) << notice;
  EXPECT_EQ(lines[4].back(), '\xB3');
  EXPECT_EQ(lines[5], "\xC0" + std::string(61, '\xC4') + "\xD9");
}

}  // namespace
}  // namespace zan::testing

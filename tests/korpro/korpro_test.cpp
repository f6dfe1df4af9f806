// The host services stand-in: whole log lines, client numbers, the host version.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "korpro.h"
#include "support/environment.h"

namespace zan::testing {
namespace {

class KorproTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // ctest runs each case in a process of its own, several at once: every case needs a file of
    // its own.
    path_ = std::filesystem::temp_directory_path() /
            ("korpro-test-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
             std::to_string(std::random_device{}()) + ".log");
    std::filesystem::remove(path_);
    SetEnvironment("KORPRO_LOG", path_.string().c_str());
  }
  void TearDown() override {
    SetEnvironment("KORPRO_LOG", "");
    SetEnvironment("KORPRO_VERSION", "");
    std::filesystem::remove(path_);
  }

  std::string LogContents() const {
    std::ifstream file(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

TEST_F(KorproTest, ErrAppendsEachLineWholeWithItsLineFeed) {
  EXPECT_EQ(err(32, "ZanDOR: PLC # %d IP Addr  = %s", 3, "10.0.0.3"), 35);
  err(32, "%s", "second");
  EXPECT_EQ(LogContents(), "ZanDOR: PLC # 3 IP Addr  = 10.0.0.3\nsecond\n");
}

TEST_F(KorproTest, ErrCutsAnOverlongLineAndStillEndsIt) {
  const std::string longText(10000, 'x');
  err(32, "%s", longText.c_str());
  const std::string contents = LogContents();
  ASSERT_FALSE(contents.empty());
  EXPECT_EQ(contents.back(), '\n');
  EXPECT_LT(contents.size(), longText.size());
  EXPECT_EQ(contents.find_first_not_of('x'), contents.size() - 1);
}

TEST_F(KorproTest, ClientsAreNumberedAndReleased) {
  unsigned char first = 0;
  unsigned char second = 0;
  ASSERT_EQ(KorMkClient("ZanDorBr01", 1, 0, &first), 0);
  ASSERT_EQ(KorMkClient("ZanDorBr02", 1, 0, &second), 0);
  EXPECT_NE(first, second);
  EXPECT_NE(first, 255);

  unsigned int version = 0;
  char text[256];
  ASSERT_EQ(KorGetKorproVer(first, &version, text), 0);
  EXPECT_EQ(version, 820u);
  SetEnvironment("KORPRO_VERSION", "700");
  ASSERT_EQ(KorGetKorproVer(first, &version, text), 0);
  EXPECT_EQ(version, 700u);

  EXPECT_EQ(KorRmClient(first), 0);
  EXPECT_NE(KorRmClient(first), 0) << "released twice";
  EXPECT_NE(KorGetKorproVer(first, &version, text), 0) << "no longer a client";
  EXPECT_NE(KorRmClient(255), 0);
  EXPECT_EQ(KorRmClient(second), 0);
}

TEST_F(KorproTest, ClientNumbersRunOut) {
  std::vector<unsigned char> clients;
  unsigned char client = 0;
  while (KorMkClient("ZanDorBr", 1, 0, &client) == 0)
    clients.push_back(client);
  EXPECT_EQ(clients.size(), 254u);
  EXPECT_EQ(client, 255) << "no client";
  for (unsigned char c : clients)
    KorRmClient(c);
}

}  // namespace
}  // namespace zan::testing

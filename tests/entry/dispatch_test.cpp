// The command table: codes without an operation are refused and touch nothing.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "support/host_fixture.h"

namespace zan::testing {
namespace {

class DispatchTest : public HostFixture {};

TEST_F(DispatchTest, CodesWithoutOperationAreRefusedUntouched) {
  for (int32_t code : {0, 8, 9, -1, 17, 18, 255, 256, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(code);
    std::memset(&state(), 0xA5, sizeof(DriverState));
    std::vector<unsigned char> argument(64, 0x5A);

    EXPECT_EQ(Send(code, argument.data()), 1);

    const auto* bytes = reinterpret_cast<const unsigned char*>(&state());
    for (std::size_t i = 0; i < sizeof(DriverState); ++i)
      ASSERT_EQ(bytes[i], 0xA5) << i;
    EXPECT_EQ(argument, std::vector<unsigned char>(64, 0x5A));
    EXPECT_TRUE(log().empty());
  }
}

TEST_F(DispatchTest, RequestsWithoutTheirRecordsAreRefused) {
  EXPECT_EQ(ZanMain(nullptr), 1);
  EXPECT_EQ(Send(kCommandInit, nullptr), 1);
  EXPECT_EQ(Send(kCommandGetDriverInfo, nullptr), 1);

  ZanRequest request{};
  request.command = kCommandInit;
  InitArgument argument{};
  argument.enabled = 1;
  request.argument = &argument;
  EXPECT_EQ(ZanMain(&request), 1);  // no state
  EXPECT_TRUE(log().empty());
}

}  // namespace
}  // namespace zan::testing

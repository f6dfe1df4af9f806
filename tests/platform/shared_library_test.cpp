// Finding a library's functions: only what the library itself exports counts.
#include <gtest/gtest.h>

#include "platform/shared_library.h"

namespace zan::testing {
namespace {

TEST(SharedLibraryTest, FindsOnlyTheLibrarysOwnFunctions) {
  platform::LibraryHandle library = platform::LoadSharedLibrary("./" ZAN_TRANSPORT_DOUBLE_PATH);
  ASSERT_NE(library, nullptr) << ZAN_TRANSPORT_DOUBLE_PATH;

  EXPECT_NE(platform::FindOrdinalFunction(library, 252, "QxOpenLibrary"), nullptr);
  EXPECT_EQ(platform::FindOrdinalFunction(library, 254, "QxNoSuchOperation"), nullptr);
  // Functions of the C library, which the double depends on: a host library without `err` must
  // never bind the C library's err, which exits the process.
  EXPECT_EQ(platform::FindFunction(library, "err"), nullptr);
  EXPECT_EQ(platform::FindFunction(library, "malloc"), nullptr);
  EXPECT_EQ(platform::FindFunction(nullptr, "malloc"), nullptr);
  EXPECT_EQ(platform::LoadSharedLibrary("no-such-library-here"), nullptr);
}

}  // namespace
}  // namespace zan::testing

// A descriptor that epoll refuses, such as standard input read from /dev/null or a file, is still
// watched: it counts as ready at every wait, as poll reports it, so that its end is read.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "net/readiness.h"

namespace {

TEST(ReadinessFileTest, AFileIsAlwaysReady) {
  net::ReadinessSet set;
  const int file = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(file, 0);
  ASSERT_TRUE(set.Add(file, 7, true, false));
  net::Readiness ready[4];
  ASSERT_EQ(set.Wait(ready, 4, -1), 1) << "without a limit, and yet at once";
  EXPECT_EQ(ready[0].token, 7u);
  EXPECT_TRUE(ready[0].readable);
  ASSERT_TRUE(set.Change(file, 7, false, false));
  EXPECT_EQ(set.Wait(ready, 4, 0), 0) << "waiting for nothing";
  set.Remove(file);
  ::close(file);
}

}  // namespace

#include <gtest/gtest.h>

#include <cstring>

#include "core/driver_state.h"

namespace zan::testing {
namespace {

TEST(ResetDriverStateTest, EveryRowAnUnconfiguredS7AndEverySlotFree) {
  auto state = std::make_unique<DriverState>();
  std::memset(state.get(), 0xEE, sizeof(DriverState));
  state->floatOddAddress = 1;

  ASSERT_TRUE(ResetDriverState(*state));

  EXPECT_EQ(state->longDb, 0);
  EXPECT_EQ(state->commTrace, 0);
  EXPECT_EQ(state->floatOddAddress, 1) << "only the file switches it, and only on";
  for (int n = 0; n < kPlcCount; ++n) {
    const PlcEntry& plc = state->plcs[n];
    SCOPED_TRACE(n);
    ASSERT_EQ(plc.type, 7);
    ASSERT_EQ(plc.readConnection, 0);
    ASSERT_EQ(plc.writeConnection, 0);
    ASSERT_EQ(plc.ipAddress[0], '\0');
    ASSERT_FALSE(IsConfiguredPlc(*state, n));
    ASSERT_EQ(plc.linkState, kLinkUntriedOrRefused);
    ASSERT_EQ(plc.slot, 2);
    ASSERT_EQ(plc.backupPlc, 0);
    ASSERT_EQ(plc.active, 1);
    ASSERT_EQ(plc.watchdogValue, 0);
    ASSERT_EQ(plc.watchdogAlive, 1);
    // Only the first two bytes of the local and read TSAPs are set; the write TSAP is untouched.
    ASSERT_EQ(std::memcmp(plc.localTsap, "\x01\x01\xEE", 3), 0);
    ASSERT_EQ(std::memcmp(plc.readTsap, "\x03\x02\xEE", 3), 0);
    ASSERT_EQ(static_cast<unsigned char>(plc.writeTsap[0]), 0xEE);
  }
  for (const CacheBlock& block : state->cache) {
    ASSERT_EQ(block.tagId, kCacheSlotFree);
    ASSERT_EQ(block.valid, 0);
    ASSERT_EQ(block.plcNumber, 0xEEEE) << "kept, but meaningless while the slot is free";
  }
  // The header and the transfer buffer belong to the serial commands and the transport.
  EXPECT_EQ(static_cast<uint32_t>(state->timeout), 0xEEEEEEEEu);
  EXPECT_EQ(state->lineFlags, 0xEEEE);
  EXPECT_EQ(state->transferBuffer[0], 0xEE);
}

}  // namespace
}  // namespace zan::testing

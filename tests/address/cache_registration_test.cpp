// Cache-block addresses: the form, the refusals, and the claim of one of the 100 slots.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "address/address_fixture.h"

namespace zan::testing {
namespace {

class CacheRegistrationTest : public AddressTest {
 protected:
  int32_t Register(const char* text, int32_t tagId, int options = 0) {
    SetOptions(options);
    ClearLog();
    definition_ = Definition(text, kPlain, tagId);
    return Send(kCommandParseTagAddress, &definition_);
  }
  static std::string Added(const std::string& text, int slot) {
    return Line("Tag " + text + " added to cache tag array, position " + std::to_string(slot));
  }
  const TagDefinition& definition() const { return definition_; }

 private:
  TagDefinition definition_{};
};

TEST_F(CacheRegistrationTest, NewTagClaimsTheFirstFreeSlotNeverFetched) {
  state().cache[0].tagId = 77;  // another tag's slot
  state().cache[1].valid = 1;   // left over from before the last reset

  ASSERT_EQ(Register("01TB01000000100", 4711), 0);

  EXPECT_EQ(log(), std::vector<std::string>{Added("01TB01000000100", 1)});
  EXPECT_EQ(definition().plc, 1);
  EXPECT_EQ(definition().kind, kKindCacheBlock);
  EXPECT_EQ(definition().address, 10 << 16);
  EXPECT_EQ(definition().bit, kBitWholeValue);
  EXPECT_EQ(definition().width, kWidth16);
  const CacheBlock& block = state().cache[1];
  EXPECT_EQ(block.tagId, 4711);
  EXPECT_EQ(block.valid, kCacheNeverFetched);
  EXPECT_EQ(block.plcNumber, 1);
  EXPECT_EQ(block.dbNumber, 10);
  EXPECT_EQ(block.start, 0);
  EXPECT_EQ(block.length, 100);
}

TEST_F(CacheRegistrationTest, SameTagKeepsItsSlot) {
  ASSERT_EQ(Register("01TB01000000100", 5), 0);
  ASSERT_EQ(Register("01TW01000000100", 6), 0);
  state().cache[0].valid = 1;

  // The same block again: its fetched data still holds, and stays served.
  ASSERT_EQ(Register("01tb01000000100", 5), 0);
  EXPECT_EQ(state().cache[0].valid, 1);

  // Another block: the data of the old one must never be served as the new one's.
  ASSERT_EQ(Register("01tb02004000999", 5), 0);
  EXPECT_EQ(log(), std::vector<std::string>{Added("01tb02004000999", 0)});
  EXPECT_EQ(definition().address, (20 << 16) | 400);
  EXPECT_EQ(state().cache[0].valid, kCacheNeverFetched);
  EXPECT_EQ(state().cache[0].dbNumber, 20);
  EXPECT_EQ(state().cache[0].start, 400);
  EXPECT_EQ(state().cache[0].length, 999);
  EXPECT_EQ(state().cache[1].tagId, 6);
}

TEST_F(CacheRegistrationTest, HundredAndFirstTagFindsNoSlot) {
  for (int32_t tag = 0; tag < kCacheBlockCount; ++tag)
    ASSERT_EQ(Register("01TB01000000010", 1000 + tag), 0) << tag;

  EXPECT_EQ(Register("01TB01000000010", 2000), 1);
  EXPECT_EQ(log(), std::vector<std::string>{Line("Max. number of cache tags expired")});

  EXPECT_EQ(Register("01TB01000000020", 1050), 0);
  EXPECT_EQ(log(), std::vector<std::string>{Added("01TB01000000020", 50)});
  EXPECT_EQ(state().cache[50].length, 20);
}

TEST_F(CacheRegistrationTest, RefusedBlocksClaimNoSlot) {
  struct Case {
    const char* text;
    int32_t hostType;
    int32_t tagId;
    int options;
    const char* refusal;
  };
  const Case cases[] = {
      {"01TB01000001001", kPlain, 1, 0, "Cache length 1001 not supported"},
      {"01TB01000009999", kPlain, 1, 0, "Cache length 9999 not supported"},
      {"01TB0100000    ", kPlain, 1, 0, "Cache length 0 not supported"},
      {"01TB001000001001", kPlain, 1, kLongDb, "Cache length 1001 not supported"},
      {"02TB01000000100", kPlain, 1, 0, "Cache Blocks not supported for S5 PLCs"},
      {"03TB01000000100", kPlain, 1, 0, "Cache Blocks not supported for S5 PLCs"},
      {"01TB01000000100", kText, 1, 0, "cache tag must not be type string"},
      {"01TB01000000100", kPlain, -1, 0, "cache tag id -1 is not allowed"},
      {"01TB0100000100", kPlain, 1, 0,
       "wrong address string length for this type, should be 15 but is 14"},
      {"01TB01000000100", kPlain, 1, kLongDb,
       "wrong address string length for this type, should be 16 but is 15"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SetOptions(c.options);
    ClearLog();
    TagDefinition definition = Definition(c.text, c.hostType, c.tagId);
    EXPECT_EQ(Send(kCommandParseTagAddress, &definition), 1);
    EXPECT_EQ(log(), std::vector<std::string>{Line(c.refusal)});
    for (const CacheBlock& block : state().cache)
      ASSERT_EQ(block.tagId, kCacheSlotFree);
  }
}

TEST_F(CacheRegistrationTest, LengthUpTo1000AndLongDbForm) {
  ASSERT_EQ(Register("01TB01000001000", 1), 0);
  EXPECT_EQ(state().cache[0].length, 1000);
  ASSERT_EQ(Register("01TB0010009981000", 2, kLongDb), 1);  // 17 characters
  ASSERT_EQ(Register("01TB001099980012", 2, kLongDb), 0);
  EXPECT_EQ(definition().address, (10 << 16) | 9998);
  EXPECT_EQ(state().cache[1].dbNumber, 10);
  EXPECT_EQ(state().cache[1].start, 9998);
  EXPECT_EQ(state().cache[1].length, 12);
  // The first byte is decimal: a hexadecimal letter ends it.
  ASSERT_EQ(Register("01TB01000A0  10", 3), 0);
  EXPECT_EQ(state().cache[2].start, 0);
  EXPECT_EQ(state().cache[2].length, 10);
}

TEST_F(CacheRegistrationTest, CheckArrayTagRegistersTooButRefusesTheRun) {
  TagDefinition definition = Definition("01TB01000000100", kPlain, 9);
  EXPECT_EQ(Send(kCommandCheckArrayTag, &definition), 1);
  EXPECT_EQ(log(), std::vector<std::string>{Added("01TB01000000100", 0)});
  EXPECT_EQ(state().cache[0].tagId, 9);
}

}  // namespace
}  // namespace zan::testing

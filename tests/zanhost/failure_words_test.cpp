// What zanhost tells the user about a tag and a failure: the PLC memory a tag names, the driver's
// failure lines in words, a PLC's state in words.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "address/tag_address.h"
#include "core/driver_state.h"
#include "session/failure_report.h"
#include "session/failure_words.h"
#include "session/plc_state_words.h"
#include "tags/memory_place.h"

namespace zanhost {
namespace {

PlacedTag Placed(const char* text, int32_t kind, int32_t address, bool s7 = true,
                 uint32_t bit = 255, int32_t plcType = 0) {
  PlacedTag tag;
  tag.text = text;
  tag.kind = kind;
  tag.address = address;
  tag.plcType = plcType != 0 ? plcType : s7 ? 7 : 5;
  tag.bit = bit;
  return tag;
}

TEST(MemoryPlaceTest, TurnsTheKindsOffsetBackIntoThePlcsBytesOrWords) {
  const struct {
    PlacedTag tag;
    const char* place;
  } cases[] = {
      {Placed("01DW0100020", 0, 0xA000A), "data block 10, bytes 20 to 21"},
      {Placed("01DW0100021", 1, 0xA000A), "data block 10, bytes 21 to 22"},
      {Placed("03DW0100021", 0, 0xA0015, false), "data block 10, data word 21"},
      {Placed("01DD0100006", 'd', 0xA0001), "data block 10, bytes 6 to 9"},
      {Placed("03DD0100007", 'd', 0xA0003, false), "data block 10, data words 7 to 8"},
      {Placed("01DF0100007", 'g', 0xA0001), "data block 10, bytes 7 to 10"},
      {Placed("01DS010001020", 'S', 0xA000A),
       "data block 10, bytes 10 to 31 (a 2-byte header and 20 characters)"},
      {Placed("01TB01000000100", 'T', 0xA0000),
       "data block 10, bytes 0 to 99, fetched as one block"},
      {Placed("01MW0020", 0x574D, 10), "flags, bytes 20 to 21"},
      {Placed("03MW0020", 0x574D, 20, false), "flags, bytes 20 to 21"},
      {Placed("01IB000203", 0x4249, 2, true, 3), "inputs, byte 2, bit 3"},
      {Placed("!05", '!', 5), ""},
      // What the driver transfers of S5 strings: whole data words, a header of its own.
      {Placed("03DS010001010", 'S', 0xA000A, false),
       "data block 10, data words 10 to 16 (a 2-byte header and 10 characters, then 2 bytes more)"},
      {Placed("03SB010001005", 'C', 0xA000A, false),
       "data block 10, data words 10 to 11 (4 characters: whole data words only, so an odd length "
       "loses its last character)"},
      {Placed("03SB010001004", 'C', 0xA000A, false), "data block 10, data words 10 to 11"},
      // A PLC of type 6 counts data words and is reached in bytes.
      {Placed("06DW0100021", 0, 0xA0015, false, 255, 6),
       "data block 10, data word 21 = bytes 42 to 43"},
      {Placed("06DS010001005", 'S', 0xA000A, false, 255, 6),
       "data block 10, data words 10 to 13 = bytes 20 to 27 (a 2-byte header and 5 characters, "
       "then 1 byte more)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MemoryPlace(c.tag), c.place) << c.tag.text;
  PlacedTag longDb = Placed("01DS0010001020", 'S', 0xA000A);
  longDb.longDb = true;
  EXPECT_EQ(MemoryPlace(longDb),
            "data block 10, bytes 10 to 31 (a 2-byte header and 20 characters)");
}

TEST(MemoryPlaceTest, ARunCoversEveryValueItTransfers) {
  const auto run = [](PlacedTag tag, int32_t count) {
    tag.count = count;
    return tag;
  };
  const struct {
    PlacedTag tag;
    const char* place;
  } cases[] = {
      {run(Placed("01DW0100020", 0, 0xA000A), 3), "data block 10, bytes 20 to 25"},
      {run(Placed("03DD0100007", 'd', 0xA0003, false), 2), "data block 10, data words 7 to 10"},
      {run(Placed("06DW0100021", 0, 0xA0015, false, 255, 6), 2),
       "data block 10, data words 21 to 22 = bytes 42 to 45"},
      {run(Placed("01DW010002003", 0, 0xA000A, true, 3), 4),
       "data block 10, bytes 20 to 27, bit 3 of each"},
      {run(Placed("01MW0020", 0x574D, 10), 2), "flags, bytes 20 to 23"},
      // A string is one value whatever the count.
      {run(Placed("01DS010001020", 'S', 0xA000A), 3),
       "data block 10, bytes 10 to 31 (a 2-byte header and 20 characters)"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MemoryPlace(c.tag), c.place) << c.tag.text << " x" << c.tag.count;
}

TEST(FailureWordsTest, ReadsTheDriversFailureLines) {
  TransferFailure failure;
  ASSERT_TRUE(ParseTransferFailure("ZanDOR: Read Tag 01DW9990002 Failed, Len=2 rc=0,10", failure));
  EXPECT_EQ(failure.address, "01DW9990002");
  EXPECT_FALSE(failure.write);
  EXPECT_EQ(failure.status, 10);
  ASSERT_TRUE(ParseTransferFailure("ZanDOR: Write Tag 01IB0002 3 Failed, rc=9,0", failure));
  EXPECT_EQ(failure.address, "01IB0002 3");  // an address may hold blanks
  EXPECT_TRUE(failure.write);
  EXPECT_EQ(failure.answer, 9);
  EXPECT_FALSE(ParseTransferFailure("ZanDOR: Connection to Plc #1 Failed !!!", failure));
  EXPECT_FALSE(ParseTransferFailure("ZanDOR: Read Tag x Failed, Len=2 rc=", failure));
}

TEST(FailureWordsTest, NamesWhatThePlcOrTheTransportSaid) {
  const PlacedTag s7 = Placed("01DW0105002", 0, (10 << 16) | 2501);
  const PlacedTag s5 = Placed("03DW2000002", 0, (200 << 16) | 2, false);
  const PlacedTag input = Placed("01IB9000", 0x4249, 9000);
  // Type 6 counts data words, but is reached like an S7 and refuses with its return codes.
  const PlacedTag typeSix = Placed("06DW0102501", 0, (10 << 16) | 2501, false, 255, 6);
  const struct {
    int answer, status;
    const PlacedTag& tag;
    const char* words;
  } cases[] = {
      {0, 0x0A, s7, "data block 10 does not exist"},
      {0, 0x05, s7, "address outside data block 10 (bytes 5002 to 5003)"},
      {0, 0x05, input, "address outside the inputs (byte 9000)"},
      {0, 0x03, s7, "access to data block 10 denied"},
      {0, 0x42, s7, "the PLC refused the item with return code 0x42"},
      {0, 0x8104, s7,
       "the PLC refused the job with error class 0x81 (application relationship), "
       "code 0x04"},
      {0, 0x102, s5, "data block 200 does not exist"},
      {0, 0x103, s5, "address outside data block 200 (data word 2)"},
      {0, 0x107, s5, "the PLC refused with S5 error number 7"},
      {0, 0x0A, typeSix, "data block 10 does not exist"},
      {0, 0x05, typeSix, "address outside data block 10 (data word 2501)"},
      {6, 0, s7, "no answer within the time-out (100 ms)"},
      {3, 0, s7, "the connection is not established"},
      {14, 0, s5, "the answer to an earlier request was still on its way"},
  };
  for (const auto& c : cases) {
    TransferFailure failure;
    failure.answer = c.answer;
    failure.status = c.status;
    EXPECT_EQ(TransferFailureWords(failure, c.tag, 100), c.words) << c.answer << "," << c.status;
  }
}

class PlcStateWordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    state_ = std::make_unique<DriverState>();
    for (int plc : {1, 2, 3}) {
      std::strcpy(state_->plcs[plc].ipAddress, "127.0.0.1");
      state_->plcs[plc].linkState = kLinkConnected;
      state_->plcs[plc].readConnection = static_cast<uint16_t>(plc);
      state_->plcs[plc].active = 1;
      state_->plcs[plc].watchdogAlive = 1;
    }
    state_->plcs[1].backupPlc = 2;
  }
  PlcEntry& Plc(int number) { return state_->plcs[number]; }
  std::string Word(int number) const { return PlcStateWord(*state_, number); }
  std::unique_ptr<DriverState> state_;
};

TEST_F(PlcStateWordsTest, BothMembersAreActiveUntilThePairsFirstRequest) {
  // The driver marks both members active until the first request, which goes to the master; its
  // status tag then says 1 for the backup too, and so does the word.
  EXPECT_EQ(Word(1), "active");
  EXPECT_EQ(Word(2), "active");
  Plc(2).active = 0;
  EXPECT_EQ(Word(2), "standby");
  Plc(1).active = 0;
  Plc(2).active = 1;
  EXPECT_EQ(Word(2), "active");
  EXPECT_EQ(Word(1), "standby");
  EXPECT_EQ(Word(3), "active");
}

TEST_F(PlcStateWordsTest, LinkDownOnlyForALostLink) {
  Plc(3).linkState = kLinkUntriedOrRefused;  // the last request was refused: the link is up
  EXPECT_EQ(Word(3), "last request refused");
  EXPECT_FALSE(IsPlcUnreachable(*state_, 3));
  Plc(3).readConnection = 0;
  EXPECT_EQ(Word(3), "not connected");
  EXPECT_TRUE(IsPlcUnreachable(*state_, 3));
  Plc(1).linkState = kLinkFailed;
  EXPECT_EQ(Word(1), "link down");
  EXPECT_TRUE(IsPlcUnreachable(*state_, 1));
  Plc(2).watchdogAlive = 0;
  EXPECT_EQ(Word(2), "heartbeat stopped");
}

// A read that failed with 1 and no line of the driver about it.
TEST_F(PlcStateWordsTest, AReadRefusedWithoutALineIsExplainedFromTheTable) {
  for (CacheBlock& free : state_->cache)
    free.tagId = kCacheSlotFree;
  Plc(1).type = kPlcTypeS7;
  Plc(3).type = kPlcTypeS7;
  CacheBlock& block = state_->cache[4];
  block.tagId = 9;
  block.plcNumber = 1;
  block.dbNumber = 10;
  block.start = 100;
  block.length = 100;
  block.valid = 0;
  const struct {
    const char* text;
    int32_t kind;
    int32_t address;
    int plc;
    const char* outcome;
    const char* words;
  } cases[] = {
      {"01DW0100198", zan::kKindWord, (10 << 16) | 99, 1, "",
       "the cache block over it (data block 10, bytes 100 to 199) holds no valid data"},
      {"03D20100000", zan::kKindBackupHeartbeat, 10 << 16, 3, "",
       "PLC 3 has no backup whose heartbeat it could read"},
      // Byte 199 and 200 lie partly outside the block; another PLC has no block: the transport
      // held the request back.
      {"01DW0100199", zan::kKindWordOddByte, (10 << 16) | 99, 1, "not sent",
       "the answer to an earlier request was still on its way"},
      {"03DW0100198", zan::kKindWord, (10 << 16) | 99, 3, "not sent", "still on its way"},
  };
  for (const auto& c : cases) {
    Tag tag;
    tag.text = c.text;
    tag.kind = c.kind;
    tag.address = c.address;
    tag.plc = c.plc;
    FailureReport report;
    ASSERT_TRUE(ExplainUnloggedRead(*state_, tag, c.plc, report)) << c.text;
    EXPECT_EQ(report.outcome, c.outcome) << c.text;
    EXPECT_NE(report.words.find(c.words), std::string::npos) << c.text << ": " << report.words;
  }
  block.valid = 1;  // a valid block serves the read: a refusal then is not the block's
  Tag tag;
  tag.text = "01DW0100198";
  tag.address = (10 << 16) | 99;
  FailureReport report;
  ASSERT_TRUE(ExplainUnloggedRead(*state_, tag, 1, report));
  EXPECT_EQ(report.outcome, "not sent");
  tag.kind = zan::kKindStatus;
  EXPECT_FALSE(ExplainUnloggedRead(*state_, tag, 1, report));
}

}  // namespace
}  // namespace zanhost

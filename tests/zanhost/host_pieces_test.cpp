// The host's own pieces that take user input: tag files, values typed for writes, values shown
// from the host's buffer, the place of one value of a run, the PLC list of a configuration, JSON
// text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/json_writer.h"
#include "read/transfer_values.h"
#include "session/plc_list.h"
#include "tags/host_types.h"
#include "tags/run_element.h"
#include "tags/tag_file.h"
#include "tags/tag_values.h"

namespace zanhost {
namespace {

TEST(TagFileTest, AcceptsCommentsBlanksAndOptionalCounts) {
  std::vector<TagSpec> tags;
  std::string error;
  ASSERT_TRUE(
      ParseTagList("# c\n\n// c\n a , 01IB0002 3 , bit\nb,01DW0100000,word, 1000\r\n", tags, error))
      << error;
  ASSERT_EQ(tags.size(), 2u);
  EXPECT_EQ(tags[0].address, "01IB0002 3");  // blanks inside an address stay
  EXPECT_EQ(tags[0].hostType, kHostBit);
  EXPECT_EQ(tags[0].line, 4);
  EXPECT_EQ(tags[1].count, 1000);
}

TEST(TagFileTest, RefusesBadLinesWithTheirNumber) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"a, 01DW0100000\n", "line 1: want \"name, address, type[, count][, rw]\", found 2 fields"},
      {"x, 01DW0100000, word\na, 01DW0100000, text\n", "line 2: unknown type \"text\""},
      {"a, 01DW0100000, word, 0\n", "line 1: the count \"0\" is not from 1 to 1000"},
      {"a, 01DW0100000, word, 1001\n", "line 1: the count \"1001\" is not from 1 to 1000"},
      {"a, 01DW0100000, word, 5x\n", "line 1: the count \"5x\" is not from 1 to 1000"},
      {", 01DW0100000, word\n", "line 1: the name and the address must not be empty"},
      {"# only a comment\n", "no tag in it"},
  };
  for (const auto& c : cases) {
    std::vector<TagSpec> tags;
    std::string error;
    EXPECT_FALSE(ParseTagList(c.text, tags, error)) << c.text;
    EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << c.text;
  }
}

TEST(TagValuesTest, SingleIntegerValuesStandTwoBytesIn) {
  ValueBuffer buffer(1);
  std::string error;
  ASSERT_TRUE(EncodeValue("0x1234", 0, kHostWord, 0, true, buffer, error));
  EXPECT_EQ(buffer.Word(2), 0x1234);
  EXPECT_EQ(buffer.Word(0), 0);
  ASSERT_TRUE(EncodeValue("-2", 'D', kHostDint, 0, true, buffer, error));
  EXPECT_EQ(buffer.DoubleWord(0), 0xFFFFFFFEu);  // 32-bit kinds start at the first byte
  EXPECT_EQ(DecodeValue(buffer, 'D', kHostDint, 0, true).ToText(), "-2");
  EXPECT_EQ(DecodeValue(buffer, 'D', kHostDword, 0, true).ToText(), "4294967294");
  // Floats at odd bytes of an S7 are floats as well.
  for (int32_t kind : {'F', 'f', 'G', 'g'}) {
    ValueBuffer single(1);
    ASSERT_TRUE(EncodeValue("1.5", kind, kHostFloat, 0, true, single, error)) << kind;
    EXPECT_EQ(single.Float(0), 1.5f) << kind;
    EXPECT_EQ(DecodeValue(single, kind, kHostFloat, 0, true).ToText(), "1.5") << kind;
  }
}

TEST(TagValuesTest, RunsStepByTheSizeOfTheKind) {
  ValueBuffer buffer(3);
  std::string error;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(EncodeValue(std::to_string(-i), 0x5749, kHostInt, i, false, buffer, error));
    ASSERT_TRUE(EncodeValue(std::to_string(i) + ".5", 'f', kHostFloat, i, false, buffer, error));
  }
  EXPECT_EQ(DecodeValue(buffer, 'f', kHostFloat, 2, false).ToText(), "2.5");
  ValueBuffer words(3);
  for (int i = 0; i < 3; ++i)
    EncodeValue(std::to_string(-i), 0x5749, kHostInt, i, false, words, error);
  EXPECT_EQ(DecodeValue(words, 0x5749, kHostInt, 2, false).ToText(), "-2");
  EXPECT_EQ(DecodeValue(words, 0x5749, kHostWord, 2, false).ToText(), "65534");
}

TEST(TagValuesTest, RefusesTextThatIsNoValueOfTheType) {
  const struct {
    std::string text;
    int32_t kind;
    int32_t type;
  } cases[] = {
      {"65536", 0, kHostWord},   {"-32769", 0, kHostInt},
      {"12a", 'B', kHostWord},   {"", 0, kHostWord},
      {"2", 0, kHostBit},        {"4294967296", 'D', kHostDword},
      {"x1.5", 'F', kHostFloat}, {std::string(81, 'A'), 'S', kHostString},
  };
  for (const auto& c : cases) {
    ValueBuffer buffer(1);
    std::string error;
    EXPECT_FALSE(EncodeValue(c.text, c.kind, c.type, 0, true, buffer, error)) << c.text;
    EXPECT_FALSE(error.empty());
  }
}

TEST(TagValuesTest, TextStopsAtTheEndOfTheBuffer) {
  ValueBuffer buffer(1);
  std::string error;
  ASSERT_TRUE(EncodeValue(std::string(80, 'Z'), 'S', kHostString, 0, true, buffer, error));
  EXPECT_EQ(DecodeValue(buffer, 'S', kHostString, 0, true).text, std::string(80, 'Z'));
  EXPECT_EQ(DecodeValue(buffer, 'S', kHostString, 0, true).ToJson(),
            "\"" + std::string(80, 'Z') + "\"");
  // Bytes above 0x7F are code page 437, never raw bytes in the JSON (which must be UTF-8).
  ASSERT_TRUE(EncodeValue("\xB3x\xE9", 'S', kHostString, 0, true, buffer, error));
  EXPECT_EQ(DecodeValue(buffer, 'S', kHostString, 0, true).ToJson(), "\"\u2502x\u0398\"");
}

// A run of `count` values of `kind` at `address` on a PLC of `plcType`, written as `text`.
RunTag RunOf(int32_t kind, int32_t plcType, int32_t address, int32_t count,
             const std::string& text = "", bool longDb = false) {
  RunTag run;
  run.kind = kind;
  run.plcType = plcType;
  run.address = address;
  run.count = count;
  run.text = text;
  run.longDb = longDb;
  return run;
}

// Element i of a run, planned alone by the driver's own plan of the transfer, is exactly the i-th
// slice of the run's transfer: the write of one value touches no byte of another.
TEST(RunElementTest, EachValueOfARunIsPlannedAtItsOwnSliceOfTheRun) {
  const int32_t address = (10 << 16) | 20;  // data block 10, offset 20
  const struct {
    int32_t kind;
    uint8_t plcType;
  } runs[] = {
      {0, 7},      {0, 5},      {0, 6},      {1, 7},      {'B', 7},    {'D', 7},    {'D', 5},
      {'d', 7},    {'d', 5},    {'F', 7},    {'f', 6},    {'G', 7},    {'g', 7},    {0x4249, 7},
      {0x4249, 5}, {0x5749, 7}, {0x5749, 5}, {0x5751, 6}, {0x574D, 5}, {0x424D, 7},
  };
  constexpr int32_t kCount = 4;
  for (const auto& run : runs) {
    zan::TransferPlan whole;
    ASSERT_TRUE(zan::PlanTransfer(run.kind, run.plcType, address, kCount, 0, &whole)) << run.kind;
    const int32_t step = whole.record.length / kCount;
    for (int32_t i = 0; i < kCount; ++i) {
      RunElement element;
      std::string reason;
      ASSERT_TRUE(ElementOfRun(RunOf(run.kind, run.plcType, address, kCount), i, element, reason))
          << reason;
      zan::TransferPlan one;
      ASSERT_TRUE(zan::PlanTransfer(run.kind, run.plcType, element.address, 1, 0, &one));
      EXPECT_EQ(one.record.area, whole.record.area) << run.kind << " on " << int{run.plcType};
      EXPECT_EQ(one.record.dbNumber, whole.record.dbNumber);
      EXPECT_EQ(one.record.start, whole.record.start + i * step)
          << run.kind << " on " << int{run.plcType} << ", value " << i;
      EXPECT_EQ(one.record.length, step) << run.kind << " on " << int{run.plcType};
    }
  }
  // No element of what is no run, none beyond the run, none whose transfer would start past the
  // 16 bits of a start, which would wrap it to the front of the block.
  const struct {
    RunTag run;
    int32_t index;
    const char* reason;
  } refused[] = {
      {RunOf(0, 7, address, 1), 0, "no run"},
      {RunOf('S', 7, address, 3), 0, "no run"},
      {RunOf('T', 7, address, 3), 0, "no run"},
      {RunOf('!', 7, 5, 3), 0, "no run"},
      {RunOf(0, 7, address, 3), 3, "no value 3"},
      {RunOf(0, 7, address, 3), -1, "no value -1"},
      {RunOf(0, 7, 0xFFFF, 3), 1, "beyond the offsets"},
      // 01XW010FFFE, 2 words: the second would be Low16(2 x 0x8000), byte 0.
      {RunOf(0, 7, (10 << 16) | 0x7FFF, 2), 1, "would start at byte 65536, beyond byte 65535"},
      {RunOf(1, 7, (10 << 16) | 0x7FFF, 2), 1, "would start at byte 65537"},         // 01XW010FFFF
      {RunOf('d', 7, (10 << 16) | 0x3FFF, 2), 1, "would start at byte 65538"},       // 01XD010FFFE
      {RunOf('D', 5, (10 << 16) | 0x7FFF, 2), 1, "would start at data word 65536"},  // 03XD010FFFE
      {RunOf(0x5749, 7, 0x7FFF, 2), 1, "would start at byte 65536"},  // input words from 65534
  };
  for (const auto& c : refused) {
    RunElement element;
    std::string reason;
    EXPECT_FALSE(ElementOfRun(c.run, c.index, element, reason)) << c.reason;
    EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
  }
  // The last value that still starts within the 16 bits is taken.
  RunElement last;
  std::string reason;
  EXPECT_TRUE(ElementOfRun(RunOf(0, 7, (10 << 16) | 0x7FFE, 2), 1, last, reason)) << reason;
}

// The element's own address text, as the parser reads it back to the same place: the driver's
// lines about its write name the value written, not the run's first.
TEST(RunElementTest, EachValueHasTheAddressTextOfItsOwnPlace) {
  const struct {
    RunTag run;
    int32_t index;
    const char* text;
  } cases[] = {
      {RunOf(0, 7, (10 << 16) | 20, 3, "01DW0100040"), 2, "01DW0100044"},
      {RunOf(1, 7, (10 << 16) | 20, 3, "01dw0100041"), 1, "01dw0100043"},
      {RunOf(0, 5, (10 << 16) | 5, 3, "03DW010000500"), 1, "03DW010000600"},  // S5 words, bit 0
      {RunOf('d', 5, (10 << 16) | 3, 2, "03DD0100007"), 1, "03DD0100009"},    // S5 words 9 and 10
      {RunOf('D', 7, (10 << 16) | 2, 3, "01DD0100008"), 2, "01DD0100016"},
      {RunOf('F', 7, (10 << 16) | 1, 2, "01DF0100005"), 1, "01DF0100008"},  // FLOAT_ODD_ADDRESS
      {RunOf(0, 7, (10 << 16) | 13, 2, "01XW010001A"), 1, "01XW010001C"},
      {RunOf(0, 7, (10 << 16) | 4999, 2, "01DW0109998"), 1, "01XW0102710"},  // byte 10000
      {RunOf(0, 6, (10 << 16) | 9999, 2, "01DW0109999"), 1, "01XW0102710"},  // data word 10000
      {RunOf(0, 7, (10 << 16) | 10, 2, "01DW00100020", true), 1, "01DW00100022"},  // LONG_DB
      {RunOf(0x5749, 7, 10, 2, "01IW0020"), 1, "01IW0022"},
      {RunOf(0x5749, 5, 20, 2, "01IW0020"), 1, "01IW0022"},
      {RunOf(0x5749, 7, 6, 2, "01IW12"), 1, "01IW0014"},
      {RunOf(0x4249, 7, 2, 3, "01IB000203"), 2, "01IB000403"},
      {RunOf(0x4249, 7, 9999, 2, "01IB9999"), 1, "01IB10000"},  // beyond what an address names
  };
  for (const auto& c : cases) {
    RunElement element;
    std::string reason;
    ASSERT_TRUE(ElementOfRun(c.run, c.index, element, reason)) << c.run.text << ": " << reason;
    EXPECT_EQ(element.text, c.text) << c.run.text << " value " << c.index;
  }
}

TEST(PlcListTest, ListsTagPlcsWithTypesAddressesAndBackups) {
  const std::vector<ListedPlc> plcs = ListPlcs(
      "// c\nLONG_DB=YES\n 2 = 7 , 127.0.0.2 ,2\n1=5,127.000.0.1,MY TSAP\nbackup_1=2\n"
      "100=7,127.0.0.100\n0=7,127.0.0.5\n3=4,127.0.0.3\nBACKUP_9=1\n");
  ASSERT_EQ(plcs.size(), 2u);
  EXPECT_EQ(plcs[0].number, 1);
  EXPECT_EQ(plcs[0].type, 5);
  EXPECT_EQ(plcs[0].ipAddress, "127.0.0.1");
  EXPECT_EQ(plcs[0].backup, 2);
  EXPECT_EQ(plcs[1].ipAddress, "127.0.0.2");
  EXPECT_EQ(FindPlc(plcs, 9), nullptr);
}

TEST(JsonTest, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(JsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
  JsonObject object;
  object.Add("n", 1).Add("x", 0.5).Add("t", true).AddNull("z");
  EXPECT_EQ(object.str(), "{\"n\":1,\"x\":0.5,\"t\":true,\"z\":null}");
}

TEST(HostTypesTest, NamesAndCodes) {
  int32_t code = 0;
  EXPECT_TRUE(ParseHostType("DWord", code));
  EXPECT_EQ(code, kHostDword);
  EXPECT_TRUE(ParseHostType("9", code));
  EXPECT_EQ(code, 9);
  EXPECT_FALSE(ParseHostType("-1", code));
  EXPECT_FALSE(ParseHostType("1234567890", code));
  EXPECT_EQ(HostTypeName(9), "9");
}

}  // namespace
}  // namespace zanhost

// What each kind asks the PLC for and how its bytes pass between the PLC and the host, read and
// written, on every PLC type.
#include <gtest/gtest.h>

#include <cstring>

#include "support/tag_fixture.h"

namespace zan::testing {
namespace {

using ValueConversionTest = TagFixture;
enum Ways { kRead = 1, kWrite = 2, kBoth = 3, kValue = 4 };  // kValue: commands 6 and 7

TEST_F(ValueConversionTest, EveryKindBothWaysOnEveryLayout) {
  // clang-format off
  const struct {
    const char* text; int32_t hostType, count;
    const char* plc;     // the PLC's memory from the start of the transfer
    const char* record;  // the transfer record after its connection
    const char* host;    // the values that a read places (kUnwritten behind) or a write takes
    int ways;
  } rows[] = {
    {"01DW0100020", 1, 2, "1234 ABCD", "a=1 db=10 s=20 l=4", "3412 CDAB", kBoth},
    {"02DW0100021", 1, 2, "3412 FEFF", "a=1 db=10 s=21 l=2", "3412 FEFF", kBoth},
    // Type 6: S5 values, asked for over its connection by slot as the bytes that hold the words.
    {"03DW0100021", 1, 1, "1234", "a=1 db=10 s=42 l=2", "3412", kBoth},
    {"03DD0100007", 5, 1, "12345678", "a=1 db=10 s=14 l=4", "78563412", kBoth},
    {"03DF0100004", 3, 1, "0140 0000", "a=1 db=10 s=8 l=4", "0000803F", kBoth},
    {"01DW0100021", 1, 1, "1234", "a=1 db=10 s=21 l=2", "3412", kBoth},
    {"01DB0100005", 1, 2, "AB CD", "a=1 db=10 s=5 l=2", "AB00 CD00", kBoth},
    {"01DD0100008", 4, 1, "12345678", "a=1 db=10 s=8 l=4", "78563412", kBoth},
    {"02DD0100007", 5, 1, "3412 7856", "a=1 db=10 s=7 l=2", "78563412", kBoth},
    {"01DF0100006", 3, 2, "3F800000 BF800000", "a=1 db=10 s=6 l=8", "0000803F 000080BF", kBoth},
    {"01DF0100005", 3, 1, "3F800000", "a=1 db=10 s=5 l=4", "0000803F", kBoth},
    {"01DF0100007", 3, 1, "3F800000", "a=1 db=10 s=7 l=4", "0000803F", kBoth},
    {"02DF0100004", 3, 2, "4001 0000 80FF 0000", "a=1 db=10 s=4 l=4", "0000803F 000000BF", kBoth},
    {"01IW0004", 1, 1, "1234", "a=3 db=0 s=4 l=2", "3412", kBoth},
    {"02MW0004", 1, 2, "1234 5678", "a=2 db=0 s=4 l=4", "3412 7856", kBoth},
    {"02QB0003", 1, 2, "AB CD", "a=4 db=0 s=3 l=2", "AB00 CD00", kBoth},
    // Strings: a read ends the text at its terminator or at the end of the transfer; a write
    // carries the text, cut to the tag's length, and zeros behind it.
    {"01DS010001010", 7, 1, "0A03 414243", "a=1 db=10 s=10 l=12", "414243 00", kBoth},
    {"01DS010001004", 7, 1, "0404 41424344", "a=1 db=10 s=10 l=6", "4142434445 00", kWrite},
    {"01SB010001004", 7, 1, "4142 0044", "a=1 db=10 s=10 l=4", "4142 0044", kWrite},
    {"02DS010001005", 7, 1, "0502 4241 4443 0045", "a=1 db=10 s=10 l=4", "4142434445 00", kBoth},
    {"02SB010001005", 7, 1, "4241 4443 4645", "a=1 db=10 s=10 l=2", "41424344 00", kBoth},
    {"02SB010001006", 7, 1, "4241 0000 0000", "a=1 db=10 s=10 l=3", "4142 0044 4546", kWrite},
    {"03DS010001004", 7, 1, "0203 4142 4300 0000", "a=1 db=10 s=20 l=8", "414243 00", kBoth},
    // An S7 string ends at its current length when that fits the tag, as written over a longer one.
    {"01DS010001010", 7, 1, "0A02 48494C4C4F574F524C44", "a=1 db=10 s=10 l=12", "4849 0000", kRead},
    {"01DS010001010", 7, 1, "0A00 48494C4C4F574F524C44", "a=1 db=10 s=10 l=12", "0000 0000", kRead},
    {"01DS010001004", 7, 1, "0A0A 41424344", "a=1 db=10 s=10 l=6", "41424344 00", kRead},
    // One value: integers in the host's cell 2 bytes in, reduced to their bit for bit tags.
    {"01DW0100020", 1, 9, "FFFE", "a=1 db=10 s=20 l=2", "EEEE FEFF", kBoth | kValue},
    {"02DF0100004", 3, 9, "4001 0000", "a=1 db=10 s=4 l=2", "0000803F", kBoth | kValue},
    {"01DW010002003", 6, 9, "00F8", "a=1 db=10 s=20 l=2", "EEEE 0100", kRead | kValue},
    {"01DW010002003", 6, 9, "00F0", "a=1 db=10 s=20 l=2", "EEEE 0000", kRead | kValue},
    {"01IW000415", 6, 9, "8000", "a=3 db=0 s=4 l=2", "EEEE 0100", kRead | kValue},
  };
  // clang-format on
  const int32_t commands[2][2] = {{kCommandWriteBlock, kCommandWriteValue},
                                  {kCommandReadBlock, kCommandReadValue}};
  state().floatOddAddress = 1;
  for (const auto& row : rows) {
    const Bytes plcBytes = Hex(row.plc), host = Hex(row.host);
    const int number = row.text[1] - '0';
    const bool value = (row.ways & kValue) != 0;
    for (const bool read : {true, false}) {
      if ((row.ways & (read ? kRead : kWrite)) == 0) continue;
      SCOPED_TRACE(std::string(row.text) + (read ? " read" : " written"));
      TagItem item = Tag(row.text, row.hostType, row.count);
      if (read) {
        transport().ReadData(plcBytes);
      } else {
        std::copy(host.begin(), host.end(), values.begin());
        std::memset(state().transferBuffer, kUnwritten, kTransferBufferBytes);  // never to be sent
      }
      EXPECT_EQ(Run(commands[read][value], item), 0);
      const int connection = !read && number == 2 ? 9 : number + 4;  // an S5 writes through its own
      EXPECT_EQ(
          Sent(read ? Op::kSendRead : Op::kSendWrite),
          Lines{(read ? "103 c=" : "106 c=") + std::to_string(connection) + " " + row.record});
      if (read) {
        Bytes expected = host;
        expected.push_back(kUnwritten);
        EXPECT_EQ(Values(expected.size()), expected);
      } else {
        const Bytes sent = Written(plcBytes);
        EXPECT_EQ(sent, Bytes(plcBytes.begin(), plcBytes.begin() + sent.size()));
      }
      EXPECT_EQ(item.valueBuffer, values.data());
      EXPECT_EQ(item.count, value ? 1 : row.count);
    }
  }
}

TEST_F(ValueConversionTest, FailedStringReadLeavesAnEmptyText) {
  TagItem text = Tag("01DS010001010", 7);
  transport().Script(Op::kReceiveRead, {12});
  EXPECT_EQ(Read(text), 1);
  EXPECT_EQ(Values(5), Hex("00 00 00 00 EE"));
}

}  // namespace
}  // namespace zan::testing

// S7 read and write var as other tools use them: several items in one job, every transport size
// on every byte area, single bits, counters and timers, and the PDU bound counted with the fill
// bytes between items.
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

class S7ItemsTest : public SimulatorTest {
 protected:
  void SetUp() override {
    Start({"1:s7:db=10x64:m=16,i=16,q=16:c=8,t=4", "2:s7:pdu=64:db=10x64:t=0"});
  }
  std::unique_ptr<Client> Open(uint32_t plc, uint16_t granted) {
    auto client = std::make_unique<Client>(
        [this](const std::function<bool()>& done) { return RunUntil(done); },
        kLoopbackNetwork + plc, simulator().port());
    EXPECT_EQ(client->OpenS7(), granted);
    return client;
  }
  // The data part of an answer: what follows the 12-byte header and the 2-byte parameter.
  static Bytes DataOf(const Bytes& answer) {
    return answer.size() < 14 ? Bytes() : Bytes(answer.begin() + 14, answer.end());
  }
};

constexpr uint8_t kBit = 0x01, kChar = 0x03, kWord = 0x04, kInt = 0x05, kDWord = 0x06, kDInt = 0x07,
                  kReal = 0x08, kCounter = 0x1C, kTimer = 0x1D;

TEST_F(S7ItemsTest, MultiItemReadAnswersEveryItemInOneMessage) {
  auto client = Open(1, 480);
  ASSERT_EQ(Control("set 1 db10 0 0x0102030405"), "ok");
  ASSERT_EQ(Control("set 1 m 4 0x08"), "ok");
  const Bytes answer = client->Exchange(S7ReadItems(5, {ByteItem(0x84, 10, 0, 3),
                                                        {kBit, 1, 0, 0x83, 4 * 8 + 3},
                                                        ByteItem(0x84, 99, 0, 2),
                                                        {kChar, 1, 10, 0x84, 4 * 8}}));
  // Three bytes and a fill, a bit in a byte and a fill, a refusal, a char last: no fill after it.
  EXPECT_EQ(answer, Hex("32 03 00 00 00 05 00 02 00 17 00 00 04 04 "
                        "FF 04 00 18 01 02 03 00 "
                        "FF 03 00 01 01 00 "
                        "0A 00 00 00 "
                        "FF 09 00 01 05"));
  EXPECT_TRUE(
      Logged("plc 1: connection #1: job 5: item 3 of 4: read db99 byte 0 length 2: "
             "refused with 0x0A, db99 does not exist"));
}

TEST_F(S7ItemsTest, MultiItemWriteSetsEveryItemThatIsThere) {
  auto client = Open(1, 480);
  ASSERT_EQ(Control("set 1 m 2 0x01"), "ok");
  const Bytes answer =
      client->Exchange(S7WriteItems(6, {{ByteItem(0x84, 10, 10, 3), 0x04, 24, {0xAA, 0xBB, 0xCC}},
                                        {{kBit, 1, 0, 0x83, 2 * 8 + 5}, 0x03, 1, {0x01}},
                                        {{kWord, 1, 99, 0x84, 0}, 0x04, 16, {0x12, 0x34}},
                                        {{kInt, 1, 10, 0x84, 20 * 8}, 0x05, 16, {0xFF, 0xFE}}}));
  EXPECT_EQ(answer, Hex("32 03 00 00 00 06 00 02 00 04 00 00 05 04 FF FF 0A FF"));
  EXPECT_EQ(Control("get 1 db10 10 3"), "ok AA BB CC");
  EXPECT_EQ(Control("get 1 m 2 1"), "ok 21") << "bit 5 set beside bit 0";
  EXPECT_EQ(Control("get 1 db10 20 2"), "ok FF FE");
  EXPECT_TRUE(Logged("item 3 of 4: write db99 byte 0 length 1 word: refused with 0x0A"));
}

TEST_F(S7ItemsTest, EveryTransportSizeOnEveryByteArea) {
  auto client = Open(1, 480);
  const struct {
    const char* what;
    S7ItemSpec item;  // area and data block are the loop's
    Bytes answer;     // from the return code on
  } sizes[] = {
      {"bit 0.0", {kBit, 1, 0, 0, 0}, Hex("FF 03 00 01 01")},
      {"bit 1.1", {kBit, 1, 0, 0, 9}, Hex("FF 03 00 01 01")},
      {"bit 1.0", {kBit, 1, 0, 0, 8}, Hex("FF 03 00 01 00")},
      {"bytes", {0x02, 2, 0, 0, 0}, Hex("FF 04 00 10 01 02")},
      {"chars", {kChar, 2, 0, 0, 0}, Hex("FF 09 00 02 01 02")},
      {"word", {kWord, 1, 0, 0, 0}, Hex("FF 04 00 10 01 02")},
      {"ints", {kInt, 2, 0, 0, 0}, Hex("FF 05 00 20 01 02 03 04")},
      {"dword", {kDWord, 1, 0, 0, 8}, Hex("FF 04 00 20 02 03 04 05")},
      {"dint", {kDInt, 1, 0, 0, 0}, Hex("FF 05 00 20 01 02 03 04")},
      {"reals", {kReal, 2, 0, 0, 0}, Hex("FF 07 00 08 01 02 03 04 05 06 07 08")},
      {"word past the end", {kWord, 1, 0, 0, 63 * 8}, Hex("05 00 00 00")},
      {"two bits", {kBit, 2, 0, 0, 0}, Hex("05 00 00 00")},
      {"word at a bit", {kWord, 1, 0, 0, 1}, Hex("05 00 00 00")},
      {"counter size", {kCounter, 1, 0, 0, 0}, Hex("06 00 00 00")},
  };
  const struct {
    uint8_t area;
    uint16_t block;
    const char* name;
  } areas[] = {{0x84, 10, "db10"}, {0x83, 0, "m"}, {0x81, 0, "i"}, {0x82, 0, "q"}};
  uint16_t reference = 10;
  for (const auto& area : areas) {
    ASSERT_EQ(Control(std::string("set 1 ") + area.name + " 0 0x0102030405060708"), "ok");
    for (const auto& size : sizes) {
      SCOPED_TRACE(std::string(area.name) + " " + size.what);
      S7ItemSpec item = size.item;
      item.area = area.area;
      item.dataBlock = area.block;
      EXPECT_EQ(DataOf(client->Exchange(S7ReadItems(++reference, {item}))), size.answer);
    }
  }
}

TEST_F(S7ItemsTest, WritesOfEveryTransportSize) {
  auto client = Open(1, 480);
  ASSERT_EQ(Control("set 1 m 0 0xF0"), "ok");
  const struct {
    const char* what;
    S7WriteSpec write;
    uint8_t code;
    const char* where;  // "<area> <byte> <count>" for get
    const char* after;  // the bytes there afterwards
  } cases[] = {
      {"word", {{kWord, 1, 10, 0x84, 0}, 0x04, 16, {0x12, 0x34}}, 0xFF, "db10 0 2", "ok 12 34"},
      {"int", {{kInt, 1, 10, 0x84, 16}, 0x05, 16, {0x80, 0x01}}, 0xFF, "db10 2 2", "ok 80 01"},
      {"dint", {{kDInt, 1, 0, 0x82, 32}, 0x04, 32, {1, 2, 3, 4}}, 0xFF, "q 4 4", "ok 01 02 03 04"},
      {"real",
       {{kReal, 1, 0, 0x81, 64}, 0x07, 4, {0x3F, 0x80, 0, 0}},
       0xFF,
       "i 8 4",
       "ok 3F 80 00 00"},
      {"chars",
       {{kChar, 3, 10, 0x84, 80}, 0x09, 3, {'a', 'b', 'c'}},
       0xFF,
       "db10 10 3",
       "ok 61 62 63"},
      {"dword",
       {{kDWord, 1, 10, 0x84, 96}, 0x06, 4, {9, 8, 7, 6}},
       0xFF,
       "db10 12 4",
       "ok 09 08 07 06"},
      {"bit cleared", {{kBit, 1, 0, 0x83, 4}, 0x03, 1, {0x00}}, 0xFF, "m 0 1", "ok E0"},
      {"bit set", {{kBit, 1, 0, 0x83, 0}, 0x03, 1, {0x01}}, 0xFF, "m 0 1", "ok E1"},
      {"counter", {{kCounter, 1, 0, 0x1C, 2}, 0x09, 2, {0x00, 0x05}}, 0xFF, "c 4 2", "ok 00 05"},
      {"word of one byte",
       {{kWord, 1, 10, 0x84, 40 * 8}, 0x04, 8, {7}},
       0x07,
       "db10 40 2",
       "ok 00 00"},
      {"bit as a byte", {{kBit, 1, 0, 0x83, 8}, 0x04, 8, {1}}, 0x07, "m 1 1", "ok 00"},
      {"bytes as bits", {ByteItem(0x83, 0, 1, 1), 0x03, 1, {1}}, 0x07, "m 1 1", "ok 00"},
      {"timer past the end", {{kTimer, 1, 0, 0x1D, 4}, 0x09, 2, {1, 2}}, 0x05, "t 6 2", "ok 00 00"},
  };
  uint16_t reference = 20;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes answer = client->Exchange(S7WriteItems(++reference, {c.write}));
    ASSERT_EQ(answer.size(), 15u);
    EXPECT_EQ(answer[14], c.code);
    EXPECT_EQ(Control(std::string("get 1 ") + c.where), c.after);
  }
  EXPECT_TRUE(
      Logged("write m bit 1.0: refused with 0x07, a bit written with data of transport "
             "size 0x04 and length 8"));
}

TEST_F(S7ItemsTest, CountersAndTimersAreAreasOfTheirOwn) {
  auto client = Open(1, 480);
  ASSERT_EQ(Control("set 1 c 14 0x0042"), "ok");
  ASSERT_EQ(Control("set 1 t 6 0x1234"), "ok");
  auto plc2 = Open(2, 64);
  const struct {
    const char* what;
    Client* client;
    S7ItemSpec item;
    Bytes answer;
  } cases[] = {
      {"counter 7", client.get(), {kCounter, 1, 0, 0x1C, 7}, Hex("FF 09 00 02 00 42")},
      {"counters 6 and 7", client.get(), {kCounter, 2, 0, 0x1C, 6}, Hex("FF 09 00 04 00 00 00 42")},
      {"counter 8 of 8", client.get(), {kCounter, 1, 0, 0x1C, 8}, Hex("05 00 00 00")},
      {"timer 3", client.get(), {kTimer, 1, 0, 0x1D, 3}, Hex("FF 09 00 02 12 34")},
      {"timer as a counter", client.get(), {kCounter, 1, 0, 0x1D, 3}, Hex("06 00 00 00")},
      {"counter as bytes", client.get(), ByteItem(0x1C, 0, 0, 2), Hex("06 00 00 00")},
      {"no timers", plc2.get(), {kTimer, 1, 0, 0x1D, 0}, Hex("03 00 00 00")},
      {"default counters", plc2.get(), {kCounter, 1, 0, 0x1C, 255}, Hex("FF 09 00 02 00 00")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DataOf(c.client->Exchange(S7ReadItems(3, {c.item}))), c.answer);
  }
  EXPECT_TRUE(
      Logged("plc 2: connection #2: job 3: read t 0 length 1: refused with 0x03, the PLC "
             "has no t (size 0)"));
}

TEST_F(S7ItemsTest, PeripheralsReadTheInputsAndWriteTheOutputs) {
  auto client = Open(1, 480);
  ASSERT_EQ(Control("set 1 i 3 0x55"), "ok");
  EXPECT_EQ(DataOf(client->Exchange(S7Read(1, 0x80, 0, 3, 1))), Hex("FF 04 00 08 55"));
  EXPECT_EQ(DataOf(client->Exchange(S7Write(2, 0x80, 0, 3, {0x66}))), Hex("FF"));
  EXPECT_EQ(Control("get 1 q 3 1"), "ok 66");
  EXPECT_EQ(Control("get 1 i 3 1"), "ok 55");
}

TEST_F(S7ItemsTest, ThePduBoundCountsTheFillBytes) {
  auto client = Open(2, 64);
  // 12 + 2, then 4 + 1 + a fill, then 4 + n: 64 bytes with n = 40.
  EXPECT_EQ(client->Exchange(S7ReadItems(1, {ByteItem(0x84, 10, 0, 1), ByteItem(0x84, 10, 2, 40)}))
                .size(),
            64u);
  EXPECT_EQ(client->Exchange(S7ReadItems(2, {ByteItem(0x84, 10, 0, 1), ByteItem(0x84, 10, 2, 41)})),
            Hex("32 03 00 00 00 02 00 02 00 00 85 00 04 00"));
  // Four items make a job of 60 bytes, five one of 72.
  const std::vector<S7ItemSpec> five(5, ByteItem(0x84, 10, 0, 1));
  const std::vector<S7ItemSpec> four(five.begin(), five.end() - 1);
  EXPECT_EQ(DataOf(client->Exchange(S7ReadItems(3, four))).size(), 4u * 6 - 1);
  EXPECT_EQ(client->Exchange(S7ReadItems(4, five)),
            Hex("32 03 00 00 00 04 00 02 00 00 85 00 04 00"));
  EXPECT_TRUE(
      Logged("job 2: read 2 items: an answer of 65 bytes, longer than the PDU of 64: "
             "refused with header error 0x8500"));
  EXPECT_NE(Control("status 2")
                .find("requests=4 reads=3 writes=0 identifications=0 others=1 "
                      "refused=2"),
            std::string::npos)
      << Control("status 2");
}

}  // namespace
}  // namespace plcsim::testing

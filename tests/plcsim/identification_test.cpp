// The identification a tool asks for before it reads: the read-SZL user-data request for the
// module and component identification and the CPU state, the state command that moves the CPU
// between RUN and STOP, and the refusals of lists and functions the PLC does not have.
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

class IdentificationTest : public SimulatorTest {
 protected:
  void SetUp() override {
    Start({"1:s7:cpu=CPU TEST 1:order=ORD 123-4567:serial=SN 42:db=10x4", "2:s7", "3:s7:pdu=64"});
  }
  Bytes Ask(uint32_t plc, uint16_t id, uint16_t index) {
    auto client = std::make_unique<Client>(
        [this](const std::function<bool()>& done) { return RunUntil(done); },
        kLoopbackNetwork + plc, simulator().port());
    if (client->OpenS7() == 0) return {};
    return client->Exchange(S7ReadSzl(0x0C00 + plc, id, index));
  }
  // `text` in a field of `size` bytes padded with `fill`.
  static Bytes Text(const std::string& text, std::size_t size, uint8_t fill) {
    Bytes out(text.begin(), text.end());
    out.resize(size, fill);
    return out;
  }
  // The SZL list of an answer: what follows the 10-byte header, the 12-byte parameter and the
  // 4-byte data head.
  static Bytes ListOf(const Bytes& answer) {
    return answer.size() < 26 ? Bytes() : Bytes(answer.begin() + 26, answer.end());
  }
};

TEST_F(IdentificationTest, ModuleIdentificationCarriesTheOrderNumber) {
  const Bytes order = Text("ORD 123-4567", 20, ' ');
  EXPECT_EQ(Ask(1, 0x0011, 0x0000),
            Concat({Hex("32 07 00 00 0C 01 00 0C 00 60 "
                        "00 01 12 08 12 84 01 00 00 00 00 00 "
                        "FF 09 00 5C 00 11 00 00 00 1C 00 03 "
                        "00 01"),
                    order, Hex("00 00 00 01 00 00 00 06"), order, Hex("00 00 00 01 00 00 00 07"),
                    Text("", 20, ' '), Hex("00 00 56 01 00 00")}));
  EXPECT_EQ(ListOf(Ask(1, 0x0111, 0x0006)),
            Concat({Hex("01 11 00 06 00 1C 00 01 00 06"), order, Hex("00 00 00 01 00 00")}));
}

TEST_F(IdentificationTest, ComponentIdentificationInTheOrderToolsReadItIn) {
  const Bytes list = ListOf(Ask(1, 0x001C, 0x0000));
  ASSERT_EQ(list.size(), 8u + 6 * 34);
  EXPECT_EQ(Bytes(list.begin(), list.begin() + 8), Hex("00 1C 00 00 00 22 00 06"));
  const struct {
    uint16_t index;
    const char* text;
  } records[] = {{1, "PLC 1"},     {2, "CPU TEST 1"}, {3, ""},
                 {4, "zanplcsim"}, {5, "SN 42"},      {7, "CPU TEST 1"}};
  for (std::size_t i = 0; i < std::size(records); ++i) {
    SCOPED_TRACE(records[i].index);
    const auto record = list.begin() + 8 + static_cast<std::ptrdiff_t>(34 * i);
    EXPECT_EQ(Bytes(record, record + 34),
              Concat({{0, static_cast<uint8_t>(records[i].index)}, Text(records[i].text, 32, 0)}));
  }
  EXPECT_EQ(ListOf(Ask(2, 0x011C, 0x0005)),
            Concat({Hex("01 1C 00 05 00 22 00 01 00 05"), Text("ZS-00000002", 32, 0)}))
      << "the serial number without serial=";
}

TEST_F(IdentificationTest, CpuStateFollowsTheStateCommandAndReadsGoOnInStop) {
  const Bytes run =
      Hex("04 24 00 00 00 14 00 01 43 08 FF 08 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00");
  EXPECT_EQ(ListOf(Ask(1, 0x0424, 0x0000)), run);
  EXPECT_EQ(Control("state 1 stop"), "ok stop");
  Bytes stop = run;
  stop[8 + 1] = 0x04;
  stop[8 + 3] = 0x04;
  EXPECT_EQ(ListOf(Ask(1, 0x0424, 0x0000)), stop);
  EXPECT_NE(Control("status 1").find("state=stop"), std::string::npos);

  auto client =
      std::make_unique<Client>([this](const std::function<bool()>& done) { return RunUntil(done); },
                               kLoopbackNetwork + 1, simulator().port());
  ASSERT_EQ(client->OpenS7(), 480);
  ASSERT_EQ(Control("set 1 db10 0 0xABCD"), "ok");
  EXPECT_EQ(client->Exchange(S7Read(2, 0x84, 10, 0, 2)).back(), 0xCD);
  EXPECT_EQ(Control("state 1 run"), "ok run");
  EXPECT_EQ(Control("state 1"), "ok run");
  EXPECT_EQ(Control("state 1 pause"), "error usage: state <plc> [run|stop]");
  EXPECT_TRUE(Logged("plc 1: now in STOP"));
}

TEST_F(IdentificationTest, ListsAndFunctionsThePlcDoesNotHaveAreRefused) {
  EXPECT_EQ(Ask(1, 0x0123, 0x0000), Hex("32 07 00 00 0C 01 00 0C 00 04 "
                                        "00 01 12 08 12 84 01 00 00 00 D4 01 "
                                        "0A 00 00 00"));
  EXPECT_TRUE(
      Logged("job 3073: read SZL 0x0123 index 0x0000: refused with 0xD401, the PLC has "
             "no such list"));
  EXPECT_EQ(ListOf(Ask(1, 0x011C, 0x0006)), Bytes()) << "no record 6";
  EXPECT_EQ(ListOf(Ask(3, 0x001C, 0x0000)), Bytes()) << "238 bytes do not fit a PDU of 64";
  EXPECT_TRUE(Logged("an answer of 238 bytes, longer than the PDU of 64"));
  EXPECT_EQ(ListOf(Ask(3, 0x0424, 0x0000)).size(), 28u) << "54 bytes do";

  auto client =
      std::make_unique<Client>([this](const std::function<bool()>& done) { return RunUntil(done); },
                               kLoopbackNetwork + 2, simulator().port());
  ASSERT_EQ(client->OpenS7(), 480);
  // Read the clock: time functions (7).
  EXPECT_EQ(client->Exchange(S7UserData(9, Hex("00 01 12 04 11 47 01 00"), Hex("0A 00 00 00"))),
            Hex("32 07 00 00 00 09 00 0C 00 04 00 01 12 08 12 87 01 00 00 00 81 04 0A 00 00 00"));
  EXPECT_EQ(client->Exchange(S7ReadSzl(10, 0x0000, 0x0000)),
            Concat({Hex("32 07 00 00 00 0A 00 0C 00 18 00 01 12 08 12 84 01 00 00 00 00 00 "
                        "FF 09 00 14 00 00 00 00 00 02 00 06"),
                    Hex("00 00 00 11 01 11 00 1C 01 1C 04 24")}));
  EXPECT_NE(Control("status 2").find("identifications=1 others=1 refused=1"), std::string::npos)
      << Control("status 2");
}

}  // namespace
}  // namespace plcsim::testing

// zanhost probe's client framing against bytes recorded from a PLC session (the simulator's, as
// zanhost probe -v shows them), what it makes of answers that do not fit, the identification from
// SZL records, and the word --read names.
#include <gtest/gtest.h>

#include <string>

#include "probe/plc_frames.h"
#include "probe/plc_identity.h"
#include "probe/steps.h"

namespace zanhost {
namespace {

Bytes Hex(const std::string& text) {
  Bytes bytes;
  for (std::size_t at = 0; at + 1 < text.size(); at += 3)
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(at, 2), nullptr, 16)));
  return bytes;
}

// The user data of one whole data TPKT.
Bytes UserData(const Bytes& tpkt) {
  Tpdu tpdu;
  std::string why;
  if (!DecodeTpdu(tpkt.data(), tpkt.size(), &tpdu, &why) || tpdu.kind != Tpdu::Kind::kData) {
    return {};
  }
  return Bytes(tpdu.data, tpdu.data + tpdu.size);
}

TEST(PlcFramesTest, RequestsAreTheBytesOfTheWire) {
  const struct {
    const char* name;
    Bytes encoded;
    const char* wire;
  } cases[] = {
      {"S7 connect request", EncodeConnectRequest(1, S7LocalTsap(), S7RemoteTsap(2)),
       "03 00 00 16 11 E0 00 00 00 01 00 C0 01 0A C1 02 01 01 C2 02 03 02"},
      {"S5 connect request", EncodeConnectRequest(2, S5Tsap("KORVEL  "), S5Tsap("KORWRITE")),
       "03 00 00 22 1D E0 00 00 00 02 00 C0 01 0A C1 08 4B 4F 52 56 45 4C 20 20 C2 08 4B 4F 52 57 "
       "52 49 54 45"},
      {"setup communication", EncodeS7Setup(1, 960),
       "03 00 00 19 02 F0 80 32 01 00 00 00 01 00 08 00 00 F0 00 00 01 00 01 03 C0"},
      {"read var of DB10.DBW0", EncodeS7ReadVar(2, kS7AreaDataBlock, 10, 0, 2),
       "03 00 00 1F 02 F0 80 32 01 00 00 00 02 00 0E 00 00 04 01 12 0A 10 02 00 02 00 0A 84 00 00 "
       "00"},
      {"read var at byte 0x12345", EncodeS7ReadVar(9, kS7AreaDataBlock, 1, 0x12345, 2),
       "03 00 00 1F 02 F0 80 32 01 00 00 00 09 00 0E 00 00 04 01 12 0A 10 02 00 02 00 01 84 09 1A "
       "28"},
      {"read SZL 0x0424", EncodeS7ReadSzl(5, 0x0424, 0),
       "03 00 00 21 02 F0 80 32 07 00 00 00 05 00 08 00 08 00 01 12 04 11 44 01 00 FF 09 00 04 04 "
       "24 00 00"},
      {"S5 fetch of DB10 word 3", EncodeS5Fetch(kS5AreaDataBlock, 10, 3, 1),
       "03 00 00 17 02 F0 80 53 35 10 01 03 05 03 08 01 0A 00 03 00 01 FF 02"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HexText(c.encoded.data(), c.encoded.size()), c.wire) << c.name;
  EXPECT_EQ(S5Tsap("KORREAD"), Hex("4B 4F 52 52 45 41 44 00"));
  EXPECT_EQ(S5Tsap("TOO LONG TSAP"), Hex("54 4F 4F 20 4C 4F 4E 47"));
  EXPECT_EQ(TsapText(S5Tsap("KORVEL  ")), "\"KORVEL\"");
  EXPECT_EQ(TsapText(S7RemoteTsap(3)), "03 03");
}

TEST(PlcFramesTest, RecordedAnswersAreTakenApart) {
  Tpdu confirm;
  std::string why;
  const Bytes cc = Hex("03 00 00 16 11 D0 00 01 40 39 00 C0 01 0A C1 02 01 01 C2 02 03 02");
  ASSERT_TRUE(DecodeTpdu(cc.data(), cc.size(), &confirm, &why)) << why;
  EXPECT_EQ(confirm.kind, Tpdu::Kind::kConnectConfirm);
  EXPECT_EQ(confirm.destinationReference, 1);
  EXPECT_EQ(confirm.tpduSizeCode, 10);

  const Bytes dr = Hex("03 00 00 0B 06 80 00 07 00 00 03");
  Tpdu disconnect;
  ASSERT_TRUE(DecodeTpdu(dr.data(), dr.size(), &disconnect, &why)) << why;
  EXPECT_EQ(disconnect.kind, Tpdu::Kind::kDisconnect);
  EXPECT_EQ(disconnect.reason, 3);

  S7Answer answer;
  uint16_t pduSize = 0;
  const Bytes setup = UserData(
      Hex("03 00 00 1B 02 F0 80 32 03 00 00 00 01 00 08 00 00 00 00 F0 00 00 01 00 01 01 E0"));
  ASSERT_TRUE(DecodeS7Answer(setup.data(), setup.size(), 1, &answer, &why)) << why;
  ASSERT_TRUE(DecodeS7SetupAnswer(answer, &pduSize, &why)) << why;
  EXPECT_EQ(pduSize, 480);

  ReadResult read;
  const Bytes word = UserData(
      Hex("03 00 00 1B 02 F0 80 32 03 00 00 00 02 00 02 00 06 00 00 04 01 FF 04 00 10 04 D2"));
  ASSERT_TRUE(DecodeS7Answer(word.data(), word.size(), 2, &answer, &why)) << why;
  ASSERT_TRUE(DecodeS7ReadAnswer(answer, 2, &read, &why)) << why;
  EXPECT_EQ(read.returnCode, kS7ItemSuccess);
  EXPECT_EQ(read.data, Hex("04 D2"));

  const Bytes missing = Hex("32 03 00 00 00 03 00 02 00 04 00 00 04 01 0A 00 00 00");
  ASSERT_TRUE(DecodeS7Answer(missing.data(), missing.size(), 3, &answer, &why)) << why;
  ASSERT_TRUE(DecodeS7ReadAnswer(answer, 2, &read, &why)) << why;
  EXPECT_EQ(read.returnCode, 0x0A);

  const Bytes refused = Hex("32 03 00 00 00 01 00 02 00 00 83 04 F0 00");
  ASSERT_TRUE(DecodeS7Answer(refused.data(), refused.size(), 1, &answer, &why)) << why;
  ASSERT_TRUE(DecodeS7SetupAnswer(answer, &pduSize, &why)) << why;
  EXPECT_EQ(answer.error, 0x8304);
  EXPECT_EQ(pduSize, 0);

  S5FetchResult fetch;
  const Bytes s5 = Hex("53 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 12 34");
  ASSERT_TRUE(DecodeS5FetchAnswer(s5.data(), s5.size(), 2, &fetch, &why)) << why;
  EXPECT_EQ(fetch.error, 0);
  EXPECT_EQ(fetch.data, Hex("12 34"));
  const Bytes s5missing = Hex("53 35 10 01 03 06 0F 03 02 FF 07 00 00 00 00 00");
  ASSERT_TRUE(DecodeS5FetchAnswer(s5missing.data(), s5missing.size(), 2, &fetch, &why)) << why;
  EXPECT_EQ(fetch.error, 2);
}

TEST(PlcFramesTest, AnswersThatDoNotFitAreNamed) {
  const struct {
    const char* name;
    Bytes bytes;
    const char* why;
  } tpkts[] = {
      {"length not that of the bytes", Hex("03 00 00 10 02 F0 80"), "a TPKT whose length"},
      {"TPDU header past the TPKT", Hex("03 00 00 07 09 D0 00"), "a TPDU header longer"},
      {"data header of 4", Hex("03 00 00 08 03 F0 80 00"), "a data TPDU with a header of 4"},
      {"confirm parameter past its header", Hex("03 00 00 0E 09 D0 00 01 00 02 00 C0 05 0A"),
       "a connect confirm parameter"},
      {"confirm of 5 bytes", Hex("03 00 00 0A 05 D0 00 01 00 02"),
       "a connect confirm or disconnect request shorter"},
  };
  for (const auto& c : tpkts) {
    Tpdu tpdu;
    std::string why;
    EXPECT_FALSE(DecodeTpdu(c.bytes.data(), c.bytes.size(), &tpdu, &why)) << c.name;
    EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.name << ": " << why;
  }
  const struct {
    const char* name;
    Bytes pdu;
    const char* why;
  } pdus[] = {
      {"protocol id 0x33", Hex("33 03 00 00 00 01 00 00 00 00 00 00"), "no S7 header"},
      {"a job", Hex("32 01 00 00 00 01 00 00 00 00"), "an S7 PDU of type 0x01"},
      {"another reference", Hex("32 03 00 00 00 02 00 00 00 00 00 00"), "the PDU reference 2"},
      {"lengths past the bytes", Hex("32 03 00 00 00 01 00 08 00 00 00 00 F0"),
       "parameter and data lengths"},
  };
  for (const auto& c : pdus) {
    S7Answer answer;
    std::string why;
    EXPECT_FALSE(DecodeS7Answer(c.pdu.data(), c.pdu.size(), 1, &answer, &why)) << c.name;
    EXPECT_EQ(why.rfind(c.why, 0), 0u) << c.name << ": " << why;
  }
  // A read answer whose item says 4 bytes where 2 were asked, and an S5 answer one byte short.
  S7Answer answer;
  ReadResult read;
  std::string why;
  const Bytes longer = Hex("32 03 00 00 00 01 00 02 00 08 00 00 04 01 FF 04 00 20 01 02 03 04");
  ASSERT_TRUE(DecodeS7Answer(longer.data(), longer.size(), 1, &answer, &why));
  EXPECT_FALSE(DecodeS7ReadAnswer(answer, 2, &read, &why));
  S5FetchResult fetch;
  const Bytes s5 = Hex("53 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 12");
  EXPECT_FALSE(DecodeS5FetchAnswer(s5.data(), s5.size(), 2, &fetch, &why));
  EXPECT_EQ(why, "a fetch answer of 1 data bytes, where 2 were asked");

  std::size_t length = 0;
  const Bytes version = Hex("07 00 00 07");
  EXPECT_EQ(ScanTpkt(version.data(), version.size(), &length), TpktScan::kBroken);
  const Bytes huge = Hex("03 00 FF FF");
  EXPECT_EQ(ScanTpkt(huge.data(), huge.size(), &length), TpktScan::kBroken);
  const Bytes half = Hex("03 00 00 16 11 D0");
  EXPECT_EQ(ScanTpkt(half.data(), half.size(), &length), TpktScan::kIncomplete);
}

TEST(PlcIdentityTest, RecordsOfTheThreeListsTellWhoThePlcIs) {
  // Recorded: read SZL 0x0011, 0x001C and 0x0424 of the simulator's PLC 2.
  const Bytes answers[] = {
      Hex("03 00 00 7D 02 F0 80 32 07 00 00 00 03 00 0C 00 60 00 01 12 08 12 84 01 00 00 00 00 "
          "00 FF 09 00 5C 00 11 00 00 00 1C 00 03 00 01 5A 41 4E 20 30 30 30 2D 30 53 49 4D 30 "
          "2D 30 41 41 30 20 20 00 00 00 01 00 00 00 06 5A 41 4E 20 30 30 30 2D 30 53 49 4D 30 "
          "2D 30 41 41 30 20 20 00 00 00 01 00 00 00 07 20 20 20 20 20 20 20 20 20 20 20 20 20 "
          "20 20 20 20 20 20 20 00 00 56 01 00 00"),
      Hex("03 00 00 F5 02 F0 80 32 07 00 00 00 04 00 0C 00 D8 00 01 12 08 12 84 01 00 00 00 00 "
          "00 FF 09 00 D4 00 1C 00 00 00 22 00 06 00 01 50 4C 43 20 32 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 02 5A 41 4E 50 4C 43 53 "
          "49 4D 20 53 37 20 43 50 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 03 00 "
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 04 7A 61 6E 70 6C 63 73 69 6D 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00 00 00 05 5A 53 2D 30 30 30 30 30 30 30 32 00 00 00 00 00 00 "
          "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 07 5A 41 4E 50 4C 43 53 49 4D 20 53 "
          "37 20 43 50 55 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"),
      Hex("03 00 00 3D 02 F0 80 32 07 00 00 00 05 00 0C 00 20 00 01 12 08 12 84 01 00 00 00 00 "
          "00 FF 09 00 1C 04 24 00 00 00 14 00 01 43 08 FF 08 00 00 00 00 00 00 00 00 00 00 00 "
          "00 00 00 00 00"),
  };
  PlcIdentity identity;
  uint16_t reference = 3;
  for (const Bytes& tpkt : answers) {
    const Bytes message = UserData(tpkt);
    S7Answer answer;
    SzlList list;
    std::string why;
    ASSERT_TRUE(DecodeS7Answer(message.data(), message.size(), reference++, &answer, &why)) << why;
    ASSERT_TRUE(DecodeS7SzlAnswer(answer, &list, &why)) << why;
    EXPECT_EQ(list.error, 0);
    TakeIdentity(list, identity);
  }
  EXPECT_EQ(identity.orderNumber, "ZAN 000-0SIM0-0AA0");
  EXPECT_EQ(identity.moduleName, "ZANPLCSIM S7 CPU");
  EXPECT_EQ(identity.serialNumber, "ZS-00000002");
  EXPECT_EQ(identity.cpuState, "RUN");

  // A list the PLC does not serve, and one whose records would run past its data.
  const Bytes unserved =
      Hex("32 07 00 00 00 06 00 0C 00 04 00 01 12 08 12 84 01 00 00 00 D4 01 0A 00 00 00");
  S7Answer answer;
  SzlList list;
  std::string why;
  ASSERT_TRUE(DecodeS7Answer(unserved.data(), unserved.size(), 6, &answer, &why)) << why;
  ASSERT_TRUE(DecodeS7SzlAnswer(answer, &list, &why)) << why;
  EXPECT_EQ(list.error, 0xD401);
  const Bytes overrun = Hex(
      "32 07 00 00 00 07 00 0C 00 0C 00 01 12 08 12 84 01 00 00 00 00 00 FF 09 00 08 00 11 00 00 "
      "00 1C 00 03");
  ASSERT_TRUE(DecodeS7Answer(overrun.data(), overrun.size(), 7, &answer, &why)) << why;
  EXPECT_FALSE(DecodeS7SzlAnswer(answer, &list, &why));
  EXPECT_EQ(why, "3 records of 28 bytes in 0");

  EXPECT_EQ(RecordText(Hex("00 01 41 1F 42 20 20"), 2, 20), "A?B") << "no control character";
  EXPECT_EQ(RecordText(Hex("00 01 41"), 2, 20), "A") << "a field cut by its record";
}

TEST(ProbeWordTest, ReadNamesADataBlockWord) {
  const struct {
    const char* text;
    bool valid;
    uint16_t block;
    uint16_t offset;
  } cases[] = {
      {"DB10.DBW2", true, 10, 2},
      {"db10.dw4", true, 10, 4},
      {"DB1.0", true, 1, 0},
      {"DB65535.DBW65535", true, 65535, 65535},
      {"DB0.DBW2", false, 0, 0},
      {"DB10", false, 0, 0},
      {"DB10.DBX2", false, 0, 0},
      {"MW2", false, 0, 0},
      {"DB65536.DBW0", false, 0, 0},
      {"DB10.DBW2x", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    uint16_t block = 0;
    uint16_t offset = 0;
    EXPECT_EQ(ParseDataBlockWord(c.text, block, offset), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(block, c.block) << c.text;
      EXPECT_EQ(offset, c.offset) << c.text;
    }
  }
}

}  // namespace
}  // namespace zanhost

// The S5 personality: the fetch and the write connection chosen by the called TSAP, data words
// and bytes as on the wire, the error numbers, answers longer than a TPDU, and malformed telegrams.
#include "plcsim_fixture.h"

namespace plcsim::testing {
namespace {

const Bytes kLocal = {'K', 'O', 'R', 'V', 'E', 'L', 0, 0};
const Bytes kRead = {'K', 'O', 'R', 'R', 'E', 'A', 'D', 0};
const Bytes kWrite = {'K', 'O', 'R', 'W', 'R', 'I', 'T', 'E'};

class S5Test : public TwoPlcTest {
 protected:
  std::unique_ptr<Client> Open(const Bytes& called) {
    auto client = Connect(3);
    client->Send(ConnectRequest(kLocal, called));
    const Bytes confirm = client->Receive();
    EXPECT_TRUE(confirm.size() > 5 && confirm[5] == 0xD0);
    return client;
  }
};

TEST_F(S5Test, WriteThenFetchThroughThePair) {
  auto reader = Open(kRead);
  auto writer = Open({'K', 'O', 'R', 'W', 'R', 'I', 'T', 'E', ' '});  // blanks do not count
  EXPECT_EQ(writer->Exchange(S5Request(0x03, 1, 10, 2, 2, {0x11, 0x22, 0x33, 0x44})),
            Hex("53 35 10 01 03 04 0F 03 00 FF 07 00 00 00 00 00"));
  EXPECT_EQ(Control("get 3 db10 4 4"), "ok 11 22 33 44") << "word 2 is byte 4, in PLC order";
  EXPECT_EQ(reader->Exchange(S5Request(0x05, 1, 10, 1, 3)),
            Hex("53 35 10 01 03 06 0F 03 00 FF 07 00 00 00 00 00 00 00 11 22 33 44"));
  EXPECT_NE(Control("status 3").find("connections=2 established=2"), std::string::npos)
      << Control("status 3");
}

TEST_F(S5Test, ErrorNumbers) {
  auto reader = Open(kRead);
  auto writer = Open(kWrite);
  const struct {
    const char* what;
    bool write;
    Bytes request;
    uint8_t error;
    std::size_t data;
  } cases[] = {
      {"inputs", false, S5Request(0x05, 3, 0, 8, 8), 0x00, 8},
      {"no such block", false, S5Request(0x05, 1, 11, 0, 1), 0x02, 0},
      {"past the block", false, S5Request(0x05, 1, 10, 255, 2), 0x03, 0},
      {"past the inputs", false, S5Request(0x05, 3, 0, 10, 8), 0x03, 0},
      {"no words", false, S5Request(0x05, 1, 10, 0, 0), 0x03, 0},
      {"peripherals", false, S5Request(0x05, 5, 0, 0, 2), 0x00, 2},
      {"absolute addresses", false, S5Request(0x05, 9, 0, 0, 2), 0x01, 0},
      {"write past the block", true, S5Request(0x03, 1, 10, 256, 1, {1, 2}), 0x03, 0},
      {"write flags", true, S5Request(0x03, 2, 0, 5, 1, {9}), 0x00, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes answer = (c.write ? writer : reader)->Exchange(c.request);
    ASSERT_EQ(answer.size(), 16 + c.data);
    EXPECT_EQ(answer[5], c.write ? 0x04 : 0x06);
    EXPECT_EQ(answer[8], c.error);
  }
  EXPECT_EQ(Control("get 3 m 5 1"), "ok 09");
}

TEST_F(S5Test, EveryAreaOfTheService) {
  Start({"3:s5:db=10x8:dx=10x8:c=4,t=4:m=0,q=4"});
  auto reader = Open(kRead);
  auto writer = Open(kWrite);
  const struct {
    const char* what;
    Client* client;
    Bytes request;
    const char* answer;  // from the error number on, with the data
    const char* where;   // "<area> <byte> <count>" to get afterwards, or ""
    const char* after;
  } cases[] = {
      {"extended data block", writer.get(), S5Request(0x03, 0x0A, 10, 1, 1, {0x11, 0x22}), "00",
       "dx10 2 2", "ok 11 22"},
      {"the data block beside it", reader.get(), S5Request(0x05, 0x01, 10, 1, 1), "00 00 00", "",
       ""},
      {"extended block fetched", reader.get(), S5Request(0x05, 0x0A, 10, 0, 2), "00 00 00 11 22",
       "", ""},
      {"counter 2", writer.get(), S5Request(0x03, 0x06, 0, 2, 1, {0x00, 0x07}), "00", "c 4 2",
       "ok 00 07"},
      {"counters 2 and 3", reader.get(), S5Request(0x05, 0x06, 0, 2, 2), "00 00 07 00 00", "", ""},
      {"timer 4 of 4", reader.get(), S5Request(0x05, 0x07, 0, 4, 1), "03", "", ""},
      {"peripheral outputs", writer.get(), S5Request(0x03, 0x05, 0, 3, 1, {0x5A}), "00", "q 3 1",
       "ok 5A"},
      {"no flags", reader.get(), S5Request(0x05, 0x02, 0, 0, 1), "02", "", ""},
      {"no such extended block", writer.get(), S5Request(0x03, 0x0A, 11, 0, 1, {1, 2}), "02", "",
       ""},
      {"system data", reader.get(), S5Request(0x05, 0x08, 0, 0, 1), "01", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes answer = c.client->Exchange(c.request);
    ASSERT_GE(answer.size(), 16u);
    Bytes tail(answer.begin() + 8, answer.begin() + 9);
    tail.insert(tail.end(), answer.begin() + 16, answer.end());
    EXPECT_EQ(tail, Hex(c.answer));
    if (*c.where != '\0') {
      EXPECT_EQ(Control(std::string("get 3 ") + c.where), c.after);
    }
  }
  EXPECT_TRUE(
      Logged("plc 3: connection #2: write dx11 byte 0 length 2: refused with error number "
             "0x02, dx11 does not exist"));
  EXPECT_TRUE(
      Logged("fetch area 0x08 byte 0 length 1: refused with error number 0x01, the "
             "service has no area type 0x08"));
}

TEST_F(S5Test, LongFetchIsSplitIntoDataTpdusOfTheGrantedSize) {
  Start({"3:s5:db=10x4096"});
  auto reader = Open(kRead);
  ASSERT_EQ(Control("set 3 db10 4094 0xCAFE"), "ok");
  reader->Send(S5Request(0x05, 1, 10, 0, 2048));
  std::size_t frames = 0;
  Bytes message;
  for (Bytes frame = reader->Receive(); !frame.empty(); frame = reader->Receive()) {
    ++frames;
    EXPECT_LE(frame.size(), 4u + 1024u);
    message.insert(message.end(), frame.begin() + 7, frame.end());
    if (frame[6] == 0x80) break;
  }
  EXPECT_EQ(frames, 5u);
  ASSERT_EQ(message.size(), 16u + 4096u);
  EXPECT_EQ(message[4110], 0xCA);
}

TEST_F(S5Test, UnknownTsapIsRefused) {
  auto client = Connect(3);
  client->Send(ConnectRequest(kLocal, {'K', 'O', 'R', 'X'}));
  EXPECT_EQ(client->Receive(), Hex("03 00 00 0B 06 80 00 07 00 00 03"));
  EXPECT_TRUE(client->Closed());
  EXPECT_TRUE(Logged("called TSAP \"KORX\" is neither the fetch TSAP"));
}

TEST_F(S5Test, MalformedTelegramsCloseTheConnection) {
  Bytes magic = S5Request(0x05, 1, 10, 0, 1);
  magic[7] = 'X';
  const struct {
    const char* what;
    const Bytes& called;
    Bytes request;
    const char* log;
  } cases[] = {
      {"write on the fetch connection", kRead, S5Request(0x03, 1, 10, 0, 1, {1, 2}),
       "write request on the fetch connection"},
      {"fetch on the write connection", kWrite, S5Request(0x05, 1, 10, 0, 1),
       "fetch request on the write connection"},
      {"fetch with data", kRead, S5Request(0x05, 1, 10, 0, 1, {1, 2}), "fetch request with 2"},
      {"write shorter than its length", kWrite, S5Request(0x03, 1, 10, 0, 2, {1, 2}),
       "write request of length 2 with 2 data bytes"},
      {"header", kRead, magic, "request header 58 35"},
      {"op code", kRead, S5Request(0x07, 1, 10, 0, 1), "op code 7"},
      {"short", kRead, Data({0x53, 0x35, 0x10}), "telegram of 3 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto client = Open(c.called);
    client->Send(c.request);
    EXPECT_TRUE(client->Closed());
    EXPECT_TRUE(Logged(c.log));
  }
}

}  // namespace
}  // namespace plcsim::testing

// The traffic of the driver, and of another S7 tool, as an outside judge sees it: tshark captures
// on the loopback interface and decodes as it comes (TPKT on the simulator's port) a session of
// the driver, then one of a bare client that asks as other tools do (several items in one job, a
// single bit, the identification); every S7 message must show without a malformed or error mark,
// and as it was asked for. Capturing needs the right to capture (root, as CI runs); without it
// the test fails. The capture stays in the work directory as wire.pcapng.
#include <cstdlib>
#include <sstream>

#include "e2e/raw_s7_client.h"
#include "e2e/simulator_test.h"

namespace zan::e2e {
namespace {

constexpr uint32_t kCaptureMs = 30000;
constexpr int kSeverityError = 0x00800000;  // Wireshark's expert severity "error"

using WireCheckTest = SimulatorTest;

// One line per frame: its number, the malformed and expert marks, then the S7 fields.
const char kFields[] =
    "-e frame.number -e _ws.malformed -e _ws.expert.severity -e s7comm.header.rosctr "
    "-e s7comm.param.func -e s7comm.param.item.area -e s7comm.param.item.db "
    "-e s7comm.param.item.address.byte -e s7comm.param.item.length -e s7comm.data.returncode "
    "-e s7comm.param.item.transp_size -e s7comm.param.userdata.type "
    "-e s7comm.data.userdata.szl_id";
constexpr std::size_t kFieldCount = 13;

struct Frame {
  std::string number, malformed, severities, s7;  // s7: the S7 fields joined by '|'
};

// A frame line of the capture, or false for tshark's own messages.
bool ParseFrame(const std::string& line, Frame* frame) {
  std::vector<std::string> fields;
  std::istringstream stream(line);
  for (std::string field; std::getline(stream, field, '|');)
    fields.push_back(field);
  if (line.back() == '|') fields.push_back("");
  if (fields.size() != kFieldCount || fields[0].empty() || fields[0][0] < '1' || fields[0][0] > '9')
    return false;
  frame->number = fields[0];
  frame->malformed = fields[1];
  frame->severities = fields[2];
  frame->s7 = fields[3];
  for (std::size_t i = 4; i < fields.size(); ++i)
    frame->s7 += "|" + fields[i];
  return true;
}

// The highest expert severity of a frame ("0x00200000,0x00600000"), 0 when none.
long HighestSeverity(const std::string& severities) {
  long highest = 0;
  std::istringstream stream(severities);
  for (std::string value; std::getline(stream, value, ',');) {
    const long severity = std::strtol(value.c_str(), nullptr, 0);
    if (severity > highest) highest = severity;
  }
  return highest;
}

// What a tool other than the driver asks: several items in one read and one write, a bit written
// alone, and the component identification. Every answer must come back whole.
void AskAsOtherToolsDo(uint16_t port) {
  using testing::ByteItem;
  using testing::Hex;
  RawS7Client client;
  std::string why;
  ASSERT_TRUE(client.Open(0x7F000001, port, 2, 480, &why)) << why;
  EXPECT_EQ(client
                .Exchange(testing::S7ReadItems(0x21, {ByteItem(0x84, 10, 20, 3),
                                                      {0x01, 1, 0, 0x83, 4 * 8 + 3},
                                                      {0x04, 1, 10, 0x84, 44 * 8},
                                                      ByteItem(0x84, 99, 0, 2)}))
                .size(),
            14u + 8 + 6 + 6 + 4);
  EXPECT_EQ(client.Exchange(
                testing::S7WriteItems(0x22, {{ByteItem(0x84, 10, 60, 3), 0x04, 24, {1, 2, 3}},
                                             {{0x04, 1, 10, 0x84, 64 * 8}, 0x04, 16, {4, 5}},
                                             {{0x05, 1, 10, 0x84, 66 * 8}, 0x05, 16, {6, 7}}})),
            Hex("32 03 00 00 00 22 00 02 00 03 00 00 05 03 FF FF FF"));
  EXPECT_EQ(
      client.Exchange(testing::S7WriteItems(0x23, {{{0x01, 1, 0, 0x83, 1 * 8 + 2}, 0x03, 1, {1}}})),
      Hex("32 03 00 00 00 23 00 02 00 01 00 00 05 01 FF"));
  const testing::Bytes identification = client.Exchange(testing::S7ReadSzl(0x24, 0x001C, 0));
  EXPECT_EQ(identification.size(), 26u + 8 + 6 * 34);
}

TEST_F(WireCheckTest, DecoderShowsEveryS7MessageAsSent) {
  StartSimulator({"1:s7:db=10x100:m=16:cpu=WIRE CHECK CPU"});
  const std::string port = std::to_string(simulator().port());

  // tshark captures until it is told to stop; its "Capture started" line says that it captures.
  const std::string script =
      "command -v tshark >/dev/null || { echo 'tshark is not installed (scripts/install-deps.sh "
      "test installs it)'; exit 1; }; tshark -i lo -f 'tcp port " +
      port + "' -d tcp.port==" + port + ",tpkt -l -w wire.pcapng -P -T fields -E separator='|' " +
      kFields + " & read stop; kill -INT $!; wait $!";
  ShellChannel capture;
  std::string why, line, said;
  ASSERT_TRUE(capture.Open(script, kCaptureMs, &why)) << why;
  while (capture.ReadLine(&line, kCaptureMs) && line.find("Capture started") == std::string::npos)
    said += line + "\n";
  ASSERT_NE(line.find("Capture started"), std::string::npos)
      << "tshark does not capture on the loopback interface:\n"
      << said << line;

  ASSERT_EQ(Init(S7Line(1)), 0);
  HostTag read, write;
  Define(read, "01DW0100020");
  Define(write, "01DD0100044", kHostDoubleWord);
  EXPECT_EQ(driver().Send(kCommandReadBlock, read), 0);
  write.values[0] = 0x78, write.values[1] = 0x56, write.values[2] = 0x34, write.values[3] = 0x12;
  EXPECT_EQ(driver().Send(kCommandWriteBlock, write), 0);
  EXPECT_EQ(driver().CloseTransport(), 0);
  AskAsOtherToolsDo(simulator().port());

  // The frames as tshark decodes them, up to the identification's answer.
  const std::string lastMessage = "7||||||0xff||8|0x001c";
  std::vector<std::string> messages;
  std::string frames;
  Frame frame;
  while (messages.empty() || messages.back() != lastMessage) {
    if (!capture.ReadLine(&line, kCaptureMs)) break;
    frames += line + "\n";
    if (!ParseFrame(line, &frame)) continue;
    EXPECT_EQ(frame.malformed, "") << "frame " << frame.number << " is malformed";
    EXPECT_LT(HighestSeverity(frame.severities), kSeverityError)
        << "frame " << frame.number << " has an expert mark of error severity";
    if (frame.s7 != "|||||||||") messages.push_back(frame.s7);
  }
  capture.WriteLine("stop");
  capture.Close(kCaptureMs);

  const std::vector<std::string> expected = {
      // The driver.
      "1|0xf0||||||||",                // setup communication
      "3|0xf0||||||||",                // its acknowledgement
      "1|0x04|0x84|10|20|2||2||",      // read var: data block 10, byte 20, 2 bytes
      "3|0x04|||||0xff|||",            // its data
      "1|0x05|0x84|10|44|4|0x00|2||",  // write var: data block 10, byte 44, 4 bytes, the data
      "3|0x05|||||0xff|||",            // its acknowledgement
      // Another tool.
      "1|0xf0||||||||",
      "3|0xf0||||||||",
      // Read: 3 bytes, bit M 4.3, a word, 2 bytes of a data block that does not exist.
      "1|0x04|0x84,0x83,0x84,0x84|10,0,10,99|20,4,44,0|3,1,1,2||2,1,4,2||",
      "3|0x04|||||0xff,0xff,0xff,0x0a|||",
      // Write: 3 bytes, a word, an int.
      "1|0x05|0x84,0x84,0x84|10,10,10|60,64,66|3,1,1|0x00,0x00,0x00|2,4,5||",
      "3|0x05|||||0xff,0xff,0xff|||",
      "1|0x05|0x83|0|1|1|0x00|1||",  // write of bit M 1.2
      "3|0x05|||||0xff|||",
      "7||||||0xff||4|0x001c",  // read SZL: component identification
      lastMessage,
  };
  EXPECT_EQ(messages, expected) << "the frames as decoded:\n" << frames;
  EXPECT_EQ(simulator().Get(1, "db10", 44, 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
  EXPECT_EQ(simulator().Get(1, "db10", 60, 8), (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 7}));
  EXPECT_EQ(simulator().Get(1, "m", 1, 1), (std::vector<uint8_t>{0x04}));
}

}  // namespace
}  // namespace zan::e2e

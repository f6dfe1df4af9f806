// The traffic of the driver as an outside judge sees it: tshark captures one session on the
// loopback interface and decodes it as it comes (TPKT on the simulator's port); every S7 message
// must show without a malformed or error mark, and the read and the write as they were asked
// for. Capturing needs the right to capture (root, as CI runs); without it the test fails. The
// capture stays in the work directory as wire.pcapng.
#include <cstdlib>
#include <sstream>

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
    "-e s7comm.param.item.address.byte -e s7comm.param.item.length -e s7comm.data.returncode";

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
  if (fields.size() != 10 || fields[0].empty() || fields[0][0] < '1' || fields[0][0] > '9')
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

TEST_F(WireCheckTest, DecoderShowsEveryS7MessageAsSent) {
  StartSimulator({"1:s7:db=10x100"});
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

  // The frames as tshark decodes them, up to the acknowledgement of the write.
  const std::string lastMessage = "3|0x05|||||0xff";
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
    if (frame.s7 != "||||||") messages.push_back(frame.s7);
  }
  capture.WriteLine("stop");
  capture.Close(kCaptureMs);

  const std::vector<std::string> expected = {
      "1|0xf0|||||",               // setup communication
      "3|0xf0|||||",               // its acknowledgement
      "1|0x04|0x84|10|20|2|",      // read var: data block 10, byte 20, 2 bytes
      "3|0x04|||||0xff",           // its data
      "1|0x05|0x84|10|44|4|0x00",  // write var: data block 10, byte 44, 4 bytes, then the data
      lastMessage,                 // its acknowledgement
  };
  EXPECT_EQ(messages, expected) << "the frames as decoded:\n" << frames;
  EXPECT_EQ(simulator().Get(1, "db10", 44, 4), (std::vector<uint8_t>{0x12, 0x34, 0x56, 0x78}));
}

}  // namespace
}  // namespace zan::e2e

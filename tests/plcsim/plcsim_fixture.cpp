#include "plcsim_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "plc_line.h"

namespace plcsim::testing {
namespace {

constexpr int kMaxRounds = 5000;

void Push16(Bytes& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

Bytes Tpkt(const Bytes& tpdu) {
  Bytes out = {3, 0};
  Push16(out, static_cast<uint16_t>(tpdu.size() + 4));
  out.insert(out.end(), tpdu.begin(), tpdu.end());
  return out;
}

// Job header: 32 01 0000 ref param-length data-length.
Bytes JobHeader(uint16_t reference, std::size_t parameter, std::size_t data) {
  Bytes out = {0x32, 0x01, 0, 0};
  Push16(out, reference);
  Push16(out, static_cast<uint16_t>(parameter));
  Push16(out, static_cast<uint16_t>(data));
  return out;
}

// 12 0A 10 02 LLLL DBDB AR AAAAAA
Bytes Item(uint8_t area, uint16_t block, uint16_t byte, uint16_t length) {
  Bytes out = {0x12, 0x0A, 0x10, 0x02};
  Push16(out, length);
  Push16(out, block);
  out.push_back(area);
  const uint32_t bits = uint32_t{byte} * 8;
  out.insert(out.end(), {static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 8),
                         static_cast<uint8_t>(bits)});
  return out;
}

}  // namespace

Bytes Hex(const std::string& text) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    out.push_back(static_cast<uint8_t>(std::strtoul(text.substr(i, 2).c_str(), nullptr, 16)));
    i += 2;
  }
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts)
    out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes ConnectRequest(const Bytes& calling, const Bytes& called, uint8_t sizeCode) {
  Bytes tpdu = {0,    0xE0, 0x00, 0x00,     0x00, 0x07,
                0x00, 0xC0, 0x01, sizeCode, 0xC1, static_cast<uint8_t>(calling.size())};
  tpdu.insert(tpdu.end(), calling.begin(), calling.end());
  tpdu.insert(tpdu.end(), {0xC2, static_cast<uint8_t>(called.size())});
  tpdu.insert(tpdu.end(), called.begin(), called.end());
  tpdu[0] = static_cast<uint8_t>(tpdu.size() - 1);
  return Tpkt(tpdu);
}

Bytes Data(const Bytes& userData, bool last) {
  return Tpkt(Concat({{0x02, 0xF0, static_cast<uint8_t>(last ? 0x80 : 0x00)}, userData}));
}

Bytes S7Setup(uint16_t reference, uint16_t pdu) {
  Bytes parameter = {0xF0, 0x00, 0x00, 0x01, 0x00, 0x01};
  Push16(parameter, pdu);
  return Data(Concat({JobHeader(reference, 8, 0), parameter}));
}

Bytes S7Read(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, uint16_t length) {
  return Data(Concat({JobHeader(reference, 14, 0), {0x04, 0x01}, Item(area, block, byte, length)}));
}

Bytes S7Write(uint16_t reference, uint8_t area, uint16_t block, uint16_t byte, const Bytes& data) {
  Bytes head = {0x00, 0x04};
  Push16(head, static_cast<uint16_t>(data.size() * 8));
  return Data(Concat({JobHeader(reference, 14, 4 + data.size()),
                      {0x05, 0x01},
                      Item(area, block, byte, static_cast<uint16_t>(data.size())),
                      head,
                      data}));
}

Bytes S5Request(uint8_t op, uint8_t area, uint8_t block, uint16_t start, uint16_t length,
                const Bytes& data) {
  Bytes telegram = {0x53, 0x35, 0x10, 0x01, 0x03, op, 0x03, 0x08, area, block};
  Push16(telegram, start);
  Push16(telegram, length);
  telegram.insert(telegram.end(), {0xFF, 0x02});
  telegram.insert(telegram.end(), data.begin(), data.end());
  return Data(telegram);
}

SimulatorTest::SimulatorTest()
    : logger_([this](const std::string& line) { log_.push_back(line); }, true) {
  net::Start();
}

SimulatorTest::~SimulatorTest() = default;

void SimulatorTest::Start(const std::vector<std::string>& lines) {
  std::vector<PlcConfig> plcs;
  std::string why;
  for (const std::string& line : lines)
    ASSERT_TRUE(ParsePlcLine(line, &plcs, &why)) << why;
  simulator_ = std::make_unique<Simulator>(plcs, logger_, clock_);
  ASSERT_TRUE(simulator_->Start(0, 0, &why)) << why;
}

bool SimulatorTest::RunUntil(const std::function<bool()>& done) {
  for (int round = 0; round < kMaxRounds; ++round) {
    if (done()) return true;
    simulator_->RunOnce(2);
  }
  return done();
}

bool SimulatorTest::Logged(const std::string& fragment) const {
  for (const std::string& line : log_) {
    if (line.find(fragment) != std::string::npos) return true;
  }
  return false;
}

Client::Client(std::function<bool(const std::function<bool()>&)> run, uint32_t address,
               uint16_t port)
    : run_(std::move(run)) {
  if (net::Connect(address, port, &socket_) == net::Error::kNone) {
    net::SetBlocking(socket_, false);
  }
}

Client::~Client() {
  net::Close(socket_);
}

void Client::Send(const Bytes& bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t sent = 0;
    const net::Error error = net::Send(socket_, bytes.data() + at, bytes.size() - at, &sent);
    if (error != net::Error::kNone && error != net::Error::kWouldBlock) return;
    at += sent;
    if (sent == 0) run_([] { return true; });
  }
}

bool Client::Fill() {
  uint8_t chunk[4096];
  std::size_t count = 0;
  const net::Error error = net::Receive(socket_, chunk, sizeof chunk, &count);
  if (error == net::Error::kNone) {
    buffer_.insert(buffer_.end(), chunk, chunk + count);
    return true;
  }
  if (error != net::Error::kWouldBlock) closed_ = true;
  return false;
}

Bytes Client::Receive() {
  auto whole = [this] {
    return buffer_.size() >= 4 && buffer_.size() >= std::size_t{buffer_[2]} * 256 + buffer_[3];
  };
  run_([&] {
    while (Fill()) {
    }
    return whole() || closed_;
  });
  if (!whole()) return {};
  const std::size_t length = std::size_t{buffer_[2]} * 256 + buffer_[3];
  Bytes frame(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
  return frame;
}

Bytes Client::ReceiveMessage() {
  Bytes message;
  while (true) {
    const Bytes frame = Receive();
    if (frame.size() < 7 || frame[5] != 0xF0) return {};
    message.insert(message.end(), frame.begin() + 7, frame.end());
    if ((frame[6] & 0x80) != 0) return message;
  }
}

std::string Client::ReceiveLines(std::size_t count) {
  auto lines = [this] {
    return static_cast<std::size_t>(std::count(buffer_.begin(), buffer_.end(), '\n'));
  };
  run_([&] {
    while (Fill()) {
    }
    return lines() >= count || closed_;
  });
  std::string text(buffer_.begin(), buffer_.end());
  buffer_.clear();
  return text;
}

bool Client::Closed() {
  return run_([this] {
    while (Fill()) {
    }
    return closed_;
  });
}

bool Client::Quiet() {
  int rounds = 0;
  run_([&rounds] { return ++rounds > 3; });
  return !Fill() && !closed_;
}

uint16_t Client::OpenS7(uint8_t slot, uint16_t pdu) {
  Send(ConnectRequest({0x01, 0x01}, {0x03, slot}));
  const Bytes confirm = Receive();
  if (confirm.size() < 6 || confirm[5] != 0xD0) return 0;
  const Bytes answer = Exchange(S7Setup(1, pdu));
  if (answer.size() != 20 || answer[1] != 0x03) return 0;
  return static_cast<uint16_t>(answer[18] * 256 + answer[19]);
}

Bytes Client::Exchange(const Bytes& request) {
  Send(request);
  return ReceiveMessage();
}

void TwoPlcTest::SetUp() {
  Start({"1:s7:slot=2:db=10x1000,db=20x4:heartbeat=db10.dbw0:m=64",
         "3:s5:db=10x512:read=KORREAD,write=KORWRITE:i=16"});
}

std::unique_ptr<Client> TwoPlcTest::Connect(uint32_t plc) {
  return std::make_unique<Client>(
      [this](const std::function<bool()>& done) { return RunUntil(done); }, kLoopbackNetwork + plc,
      simulator().port());
}

}  // namespace plcsim::testing

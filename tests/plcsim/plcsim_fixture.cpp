#include "plcsim_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "plc_line.h"

namespace plcsim::testing {
namespace {

constexpr int kMaxRounds = 5000;

}  // namespace

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

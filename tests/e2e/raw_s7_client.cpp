#include "e2e/raw_s7_client.h"

namespace zan::e2e {
namespace {

using quaxnet::platform::ConnectProgress;
using testing::Bytes;

constexpr uint32_t kStepMicroseconds = 10000;
constexpr int kMaxSteps = 1000;  // 10 s for each connect, send or answer
constexpr std::size_t kTpktHeader = 4;
constexpr std::size_t kDataTpduHeader = 3;

}  // namespace

RawS7Client::RawS7Client() : networking_(quaxnet::platform::StartNetworking()) {}

RawS7Client::~RawS7Client() {
  if (socket_ != quaxnet::platform::kNoSocket) quaxnet::platform::CloseSocket(socket_);
  if (networking_) quaxnet::platform::StopNetworking();
}

bool RawS7Client::Open(uint32_t address, uint16_t port, uint8_t slot, uint16_t pdu,
                       std::string* why) {
  namespace platform = quaxnet::platform;
  socket_ = platform::OpenTcpSocket();
  if (socket_ == platform::kNoSocket) {
    *why = "no socket";
    return false;
  }
  ConnectProgress progress = platform::StartConnect(socket_, address, port);
  for (int step = 0; progress == ConnectProgress::kInProgress && step < kMaxSteps; ++step) {
    platform::Wait(socket_, false, true, kStepMicroseconds);
    progress = platform::CheckConnect(socket_);
  }
  if (progress != ConnectProgress::kConnected) {
    *why = "TCP connect to port " + std::to_string(port) + " failed";
    return false;
  }
  if (!SendAll(testing::ConnectRequest({0x01, 0x00}, {0x03, slot}))) {
    *why = "the connect request could not be sent";
    return false;
  }
  const Bytes confirm = ReceiveTpkt();
  if (confirm.size() < 6 || confirm[5] != 0xD0) {
    *why = "no connect confirm";
    return false;
  }
  const Bytes setup = Exchange(testing::S7Setup(1, pdu));
  if (setup.size() != 20 || setup[1] != 0x03) {
    *why = "no answer to setup communication";
    return false;
  }
  pduSize_ = static_cast<uint16_t>(setup[18] << 8 | setup[19]);
  return true;
}

bool RawS7Client::SendAll(const Bytes& bytes) {
  std::size_t at = 0;
  for (int step = 0; at < bytes.size() && step < kMaxSteps; ++step) {
    const long sent = quaxnet::platform::SendSome(socket_, bytes.data() + at, bytes.size() - at);
    if (sent < 0) return false;
    at += static_cast<std::size_t>(sent);
    if (at < bytes.size()) quaxnet::platform::Wait(socket_, false, true, kStepMicroseconds);
  }
  return at == bytes.size();
}

Bytes RawS7Client::ReceiveTpkt() {
  for (int step = 0; step < kMaxSteps; ++step) {
    if (buffer_.size() >= kTpktHeader) {
      const std::size_t length = std::size_t{buffer_[2]} << 8 | buffer_[3];
      if (length < kTpktHeader) return {};
      if (buffer_.size() >= length) {
        Bytes frame(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
        return frame;
      }
    }
    uint8_t chunk[4096];
    const long count = quaxnet::platform::ReceiveSome(socket_, chunk, sizeof chunk);
    if (count < 0) return {};
    buffer_.insert(buffer_.end(), chunk, chunk + count);
    if (count == 0) quaxnet::platform::Wait(socket_, true, false, kStepMicroseconds);
  }
  return {};
}

Bytes RawS7Client::Exchange(const Bytes& request) {
  if (!SendAll(request)) return {};
  Bytes message;
  while (true) {
    const Bytes frame = ReceiveTpkt();
    if (frame.size() < kTpktHeader + kDataTpduHeader || frame[5] != 0xF0) return {};
    message.insert(message.end(), frame.begin() + kTpktHeader + kDataTpduHeader, frame.end());
    if ((frame[6] & 0x80) != 0) return message;
  }
}

}  // namespace zan::e2e

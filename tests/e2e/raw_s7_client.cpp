#include "e2e/raw_s7_client.h"

namespace zan::e2e {
namespace {

using testing::Bytes;

constexpr uint32_t kStepMicroseconds = 10000;
constexpr int kMaxSteps = 1000;  // 10 s for each connect, send or answer
constexpr std::size_t kTpktHeader = 4;
constexpr std::size_t kDataTpduHeader = 3;

}  // namespace

RawS7Client::RawS7Client() : networking_(net::Start()) {}

RawS7Client::~RawS7Client() {
  net::Close(socket_);
  if (networking_) net::Stop();
}

bool RawS7Client::Open(uint32_t address, uint16_t port, uint8_t slot, uint16_t pdu,
                       std::string* why) {
  net::Error progress = net::StartConnect(address, port, &socket_);
  for (int step = 0; progress == net::Error::kWouldBlock && step < kMaxSteps; ++step) {
    net::Wait(socket_, false, true, kStepMicroseconds);
    progress = net::CheckConnect(socket_);
  }
  if (progress != net::Error::kNone) {
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
    std::size_t sent = 0;
    const net::Error error = net::Send(socket_, bytes.data() + at, bytes.size() - at, &sent);
    if (error != net::Error::kNone && error != net::Error::kWouldBlock) return false;
    at += sent;
    if (at < bytes.size()) net::Wait(socket_, false, true, kStepMicroseconds);
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
    std::size_t count = 0;
    const net::Error error = net::Receive(socket_, chunk, sizeof chunk, &count);
    if (error == net::Error::kWouldBlock) {
      net::Wait(socket_, true, false, kStepMicroseconds);
      continue;
    }
    if (error != net::Error::kNone) return {};
    buffer_.insert(buffer_.end(), chunk, chunk + count);
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

#include "bench_clients.h"

#include <cstring>

namespace zanhost {
namespace {

constexpr uint8_t kTpktVersion = 0x03;
constexpr uint8_t kDataTpdu[] = {0x02, 0xF0, 0x80};  // DT, last of its message
constexpr uint8_t kItemSuccess = 0xFF;
constexpr std::size_t kItemReturnCodeAt = 21;  // in the answer: TPKT, DT, header 12, parameters 2

void Put16(uint8_t* at, uint16_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

// Sends one frame and takes the TPKT that answers it into `answer` (at most `capacity` bytes).
bool Exchange(net::Socket socket, const uint8_t* frame, std::size_t size, uint8_t* answer,
              std::size_t capacity) {
  if (!net::SendAll(socket, frame, size) || !net::ReceiveAll(socket, answer, 4)) return false;
  const std::size_t length = (std::size_t{answer[2]} << 8) | answer[3];
  if (answer[0] != kTpktVersion || length < 7 || length > capacity) return false;
  return net::ReceiveAll(socket, answer + 4, length - 4);
}

}  // namespace

BareS7Client::~BareS7Client() {
  net::Close(socket_);
  if (started_) net::Stop();
}

bool BareS7Client::Open(uint32_t address, uint16_t port, uint8_t slot, uint16_t dataBlock,
                        uint16_t byte, std::string& error) {
  started_ = net::Start();
  if (!started_ || net::Connect(address, port, &socket_) != net::Error::kNone) {
    error = "the bare client cannot connect to the simulator";
    return false;
  }
  // Connect request: TPDU size 1024, calling TSAP 01 01, called TSAP 03 <slot>.
  const uint8_t connect[] = {kTpktVersion, 0, 0,    22,   17, 0xE0, 0, 0,    0, 1, 0,
                             0xC0,         1, 0x0A, 0xC1, 2,  1,    1, 0xC2, 2, 3, slot};
  // Setup communication: one job outstanding each way, PDU 960.
  const uint8_t setup[] = {kTpktVersion, 0, 0, 25, 2, 0xF0, 0x80, 0x32, 1, 0, 0, 0, 1, 0, 8, 0, 0,
                           0xF0,         0, 0, 1,  0, 1,    0x03, 0xC0};
  uint8_t answer[64];
  if (!Exchange(socket_, connect, sizeof connect, answer, sizeof answer) || answer[5] != 0xD0 ||
      !Exchange(socket_, setup, sizeof setup, answer, sizeof answer) || answer[8] != 0x03) {
    error = "the simulator did not take the bare client's connect request and setup";
    return false;
  }
  // Read var of 2 bytes (transport size 02) at bit address byte x 8 of the data block.
  const uint8_t read[] = {kTpktVersion,
                          0,
                          0,
                          kWordRequestBytes,
                          2,
                          0xF0,
                          0x80,
                          0x32,
                          1,
                          0,
                          0,
                          0,
                          2,
                          0,
                          14,
                          0,
                          0,
                          0x04,
                          1,
                          0x12,
                          0x0A,
                          0x10,
                          0x02,
                          0,
                          2};
  static_assert(sizeof read + 6 == kWordRequestBytes);
  std::memcpy(request_, read, sizeof read);
  Put16(request_ + 25, dataBlock);
  request_[27] = 0x84;  // data block area
  const uint32_t bit = uint32_t{byte} * 8;
  request_[28] = static_cast<uint8_t>(bit >> 16);
  Put16(request_ + 29, static_cast<uint16_t>(bit));
  if (!Read()) {
    error = "the simulator did not answer the bare client's read of DB" +
            std::to_string(dataBlock) + " byte " + std::to_string(byte);
    return false;
  }
  return true;
}

bool BareS7Client::Read() {
  uint8_t answer[kWordAnswerBytes];
  return net::SendAll(socket_, request_, sizeof request_) &&
         net::ReceiveAll(socket_, answer, sizeof answer) &&
         answer[kItemReturnCodeAt] == kItemSuccess;
}

LoopbackPingPong::~LoopbackPingPong() {
  net::Close(client_);  // the echo thread sees the end and stops
  if (echo_.joinable()) echo_.join();
  if (started_) net::Stop();
}

bool LoopbackPingPong::Open() {
  started_ = net::Start();
  net::Socket listener = net::kNoSocket;
  uint16_t port = 0;
  if (!started_ || net::Listen(net::kLoopback, 0, &listener, &port) != net::Error::kNone)
    return false;
  net::SetBlocking(listener, true);
  echo_ = std::thread([listener] {
    net::Socket peer = net::kNoSocket;
    net::Accept(listener, &peer);
    net::Close(listener);
    net::SetBlocking(peer, true);
    uint8_t request[kWordRequestBytes];
    const uint8_t answer[kWordAnswerBytes] = {kTpktVersion, 0, 0, kWordAnswerBytes};
    while (peer != net::kNoSocket && net::ReceiveAll(peer, request, sizeof request) &&
           net::SendAll(peer, answer, sizeof answer)) {
    }
    net::Close(peer);
  });
  if (net::Connect(net::kLoopback, port, &client_) != net::Error::kNone) {
    // Unblocks the echo thread's accept, so that it can end.
    net::Socket nudge = net::kNoSocket;
    net::Connect(net::kLoopback, port, &nudge);
    net::Close(nudge);
    return false;
  }
  return true;
}

bool LoopbackPingPong::RoundTrip() {
  const uint8_t request[kWordRequestBytes] = {kTpktVersion, 0, 0, kWordRequestBytes};
  uint8_t answer[kWordAnswerBytes];
  return net::SendAll(client_, request, sizeof request) &&
         net::ReceiveAll(client_, answer, sizeof answer);
}

}  // namespace zanhost

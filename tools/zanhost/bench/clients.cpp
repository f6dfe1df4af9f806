#include "bench/clients.h"

#include <cstring>

#include "probe/plc_frames.h"

namespace zanhost {
namespace {

constexpr uint8_t kTpktVersion = 0x03;
constexpr std::size_t kItemReturnCodeAt = 21;  // in the answer: TPKT, DT, header 12, parameters 2

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
  const Bytes connect = EncodeConnectRequest(1, S7LocalTsap(), S7RemoteTsap(slot));
  const Bytes setup = EncodeS7Setup(1, kPduSizeAsked);
  uint8_t answer[64];
  if (!Exchange(socket_, connect.data(), connect.size(), answer, sizeof answer) ||
      answer[5] != 0xD0 || !Exchange(socket_, setup.data(), setup.size(), answer, sizeof answer) ||
      answer[8] != 0x03) {
    error = "the simulator did not take the bare client's connect request and setup";
    return false;
  }
  // The same frame for every read: PDU reference 2, the word at `byte` of the data block.
  const Bytes read = EncodeS7ReadVar(2, kS7AreaDataBlock, dataBlock, byte, 2);
  if (read.size() != sizeof request_) {
    error = "the bare client's read request is not of the size it sends";
    return false;
  }
  std::memcpy(request_, read.data(), sizeof request_);
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
         answer[kItemReturnCodeAt] == kS7ItemSuccess;
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

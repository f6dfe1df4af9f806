#include "support/scripted_peer.h"

#include <string>

#include "support/environment.h"

namespace zan::testing {
namespace {

// Rounds of at most 1 ms each: far beyond what loopback needs, short enough to fail a stuck test.
constexpr int kSafetyRounds = 3000;
constexpr uint32_t kRoundMicroseconds = 1000;

void Put16(Bytes& bytes, uint16_t value) {
  bytes.push_back(static_cast<uint8_t>(value >> 8));
  bytes.push_back(static_cast<uint8_t>(value));
}

Bytes S7AnswerHeader(uint16_t reference, uint16_t parameters, uint16_t data, uint8_t errorClass = 0,
                     uint8_t errorCode = 0) {
  Bytes pdu = {0x32, 0x03, 0x00, 0x00};
  Put16(pdu, reference);
  Put16(pdu, parameters);
  Put16(pdu, data);
  pdu.push_back(errorClass);
  pdu.push_back(errorCode);
  return pdu;
}

}  // namespace

ScriptedPeer::ScriptedPeer() {
  net::Start();
  net::Listen(net::kLoopback, 0, &listener_, &port_);
  SetEnvironment("QUAXNET_PORT", std::to_string(port_).c_str());
}

ScriptedPeer::~ScriptedPeer() {
  Drop();
  StopListening();
  SetEnvironment("QUAXNET_PORT", "");
  net::Stop();
}

bool ScriptedPeer::Accept(const Pump& pump) {
  for (int round = 0; round < kSafetyRounds; ++round) {
    if (pump) pump();
    net::Socket accepted = net::kNoSocket;
    if (net::Accept(listener_, &accepted) == net::Error::kNone) {
      Drop();
      current_ = accepted;
      return true;
    }
    net::Wait(listener_, true, false, kRoundMicroseconds);
  }
  return false;
}

bool ScriptedPeer::TryAccept() {
  net::Socket accepted = net::kNoSocket;
  if (net::Accept(listener_, &accepted) != net::Error::kNone) return false;
  Drop();
  current_ = accepted;
  return true;
}

ScriptedPeer::Arrival ScriptedPeer::Fill(const Pump& pump) {
  for (int round = 0; round < kSafetyRounds && current_ != net::kNoSocket; ++round) {
    if (pump) pump();
    uint8_t buffer[4096];
    std::size_t received = 0;
    const net::Error error = net::Receive(current_, buffer, sizeof buffer, &received);
    if (error == net::Error::kNone) {
      pending_.insert(pending_.end(), buffer, buffer + received);
      return Arrival::kData;
    }
    if (error != net::Error::kWouldBlock) return Arrival::kClosed;
    net::Wait(current_, true, false, kRoundMicroseconds);
  }
  return Arrival::kNothing;
}

Bytes ScriptedPeer::ReadTpkt(const Pump& pump) {
  while (true) {
    if (pending_.size() >= 4) {
      const std::size_t length = (std::size_t{pending_[2]} << 8) | pending_[3];
      if (length >= 4 && pending_.size() >= length) {
        Bytes tpkt(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        return tpkt;
      }
    }
    if (Fill(pump) != Arrival::kData) return {};
  }
}

Bytes ScriptedPeer::ReadMessage(const Pump& pump) {
  Bytes message;
  while (true) {
    const Bytes tpkt = ReadTpkt(pump);
    if (tpkt.size() < 7 || tpkt[5] != 0xF0) return {};
    message.insert(message.end(), tpkt.begin() + 7, tpkt.end());
    if (tpkt[6] & 0x80) return message;
  }
}

bool ScriptedPeer::SeesClose(const Pump& pump) {
  Arrival arrival;
  while ((arrival = Fill(pump)) == Arrival::kData)
    pending_.clear();
  return arrival == Arrival::kClosed;
}

bool ScriptedPeer::Quiet() {
  uint8_t byte;
  std::size_t received = 0;
  const net::Error error = net::Receive(current_, &byte, 1, &received);
  if (error == net::Error::kNone) pending_.push_back(byte);
  return pending_.empty() && error == net::Error::kWouldBlock;
}

void ScriptedPeer::Send(const Bytes& bytes) {
  std::size_t sent = 0;
  for (int round = 0; round < kSafetyRounds && sent < bytes.size(); ++round) {
    std::size_t taken = 0;
    const net::Error error = net::Send(current_, bytes.data() + sent, bytes.size() - sent, &taken);
    if (error != net::Error::kNone && error != net::Error::kWouldBlock) return;
    sent += taken;
    if (sent < bytes.size()) net::Wait(current_, false, true, kRoundMicroseconds);
  }
}

void ScriptedPeer::SendMessage(const Bytes& userData) {
  Send(DataTpkt(userData));
}

void ScriptedPeer::Drop() {
  net::Close(current_);
  current_ = net::kNoSocket;
  pending_.clear();
}

void ScriptedPeer::StopListening() {
  net::Close(listener_);
  listener_ = net::kNoSocket;
}

Bytes Tpkt(const Bytes& tpdu) {
  Bytes tpkt = {0x03, 0x00};
  Put16(tpkt, static_cast<uint16_t>(tpdu.size() + 4));
  tpkt.insert(tpkt.end(), tpdu.begin(), tpdu.end());
  return tpkt;
}

Bytes DataTpkt(const Bytes& userData, bool last) {
  Bytes tpdu = {0x02, 0xF0, static_cast<uint8_t>(last ? 0x80 : 0x00)};
  tpdu.insert(tpdu.end(), userData.begin(), userData.end());
  return Tpkt(tpdu);
}

Bytes ConnectConfirm(uint16_t reference) {
  Bytes tpdu = {0x0D, 0xD0};
  Put16(tpdu, reference);
  Put16(tpdu, 0x4321);
  tpdu.insert(tpdu.end(), {0x00, 0xC0, 0x01, 0x0A, 0xC1, 0x02, 0x01, 0x01});
  return Tpkt(tpdu);
}

uint16_t ConnectRequestReference(const Bytes& tpkt) {
  return tpkt.size() < 10 ? 0 : static_cast<uint16_t>((tpkt[8] << 8) | tpkt[9]);
}

uint16_t PduReference(const Bytes& pdu) {
  return pdu.size() < 6 ? 0 : static_cast<uint16_t>((pdu[4] << 8) | pdu[5]);
}

Bytes S7SetupAnswer(uint16_t reference, uint16_t pduSize) {
  Bytes pdu = S7AnswerHeader(reference, 8, 0);
  pdu.insert(pdu.end(), {0xF0, 0x00, 0x00, 0x01, 0x00, 0x01});
  Put16(pdu, pduSize);
  return pdu;
}

Bytes S7ReadAnswer(uint16_t reference, const Bytes& data) {
  Bytes pdu = S7AnswerHeader(reference, 2, static_cast<uint16_t>(4 + data.size()));
  pdu.insert(pdu.end(), {0x04, 0x01, 0xFF, 0x04});
  Put16(pdu, static_cast<uint16_t>(data.size() * 8));
  pdu.insert(pdu.end(), data.begin(), data.end());
  return pdu;
}

Bytes S7WriteAnswer(uint16_t reference, uint8_t returnCode) {
  Bytes pdu = S7AnswerHeader(reference, 2, 1);
  pdu.insert(pdu.end(), {0x05, 0x01, returnCode});
  return pdu;
}

Bytes S7ItemError(uint16_t reference, uint8_t returnCode) {
  // BBBB is not to be trusted on an error: this one claims 16 bytes and carries none.
  Bytes pdu = S7AnswerHeader(reference, 2, 4);
  pdu.insert(pdu.end(), {0x04, 0x01, returnCode, 0x00, 0x00, 0x80});
  return pdu;
}

Bytes S7HeaderError(uint16_t reference, uint8_t errorClass, uint8_t errorCode) {
  return S7AnswerHeader(reference, 0, 0, errorClass, errorCode);
}

Bytes S5Answer(uint8_t opCode, uint8_t error, const Bytes& data) {
  Bytes telegram = {0x53, 0x35, 0x10, 0x01, 0x03, opCode, 0x0F, 0x03, error, 0xFF, 0x07};
  telegram.resize(16 + data.size());  // bytes 11 to 15 are 0
  for (std::size_t i = 0; i < data.size(); ++i)
    telegram[16 + i] = data[i];
  return telegram;
}

}  // namespace zan::testing

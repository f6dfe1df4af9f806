#include "probe/link.h"

namespace zanhost {
namespace {

// The longest a message may grow to from its data TPDUs: more than any answer a probe asks for.
constexpr std::size_t kMaxMessageBytes = 8192;

std::string OsWords(int code) {
  char text[128];
  net::ErrorText(code, text, sizeof text);
  return text;
}

}  // namespace

ProbeLink::ProbeLink(uint32_t timeoutMs, Show show)
    : timeoutMs_(timeoutMs), show_(std::move(show)), started_(net::Start()) {}

ProbeLink::~ProbeLink() {
  net::Close(socket_);
  if (started_) net::Stop();
}

uint64_t ProbeLink::DeadlineFromNow() const {
  return net::MonotonicMicroseconds() + uint64_t{timeoutMs_} * 1000u;
}

bool ProbeLink::Connect(uint32_t address, uint16_t port, std::string* why) {
  if (!started_) {
    *why = "the system's sockets cannot be started";
    return false;
  }
  const uint64_t deadline = DeadlineFromNow();
  net::Error error = net::StartConnect(address, port, &socket_);
  while (error == net::Error::kWouldBlock) {
    const uint64_t now = net::MonotonicMicroseconds();
    if (now >= deadline) {
      *why = "no TCP connection within " + std::to_string(timeoutMs_) + " ms";
      return false;
    }
    net::Wait(socket_, false, true, static_cast<uint32_t>(deadline - now));
    error = net::CheckConnect(socket_);
  }
  if (error == net::Error::kNone) return true;
  const int code = net::LastError();
  net::Close(socket_);
  socket_ = net::kNoSocket;
  switch (net::ClassifyConnectFailure(code)) {
    case net::ConnectFailure::kRefused:
      *why = "refused: nothing listens at that port";
      break;
    case net::ConnectFailure::kUnreachable:
      *why = "the address cannot be reached (" + OsWords(code) + ")";
      break;
    case net::ConnectFailure::kTimedOut:
      *why = "no answer from the address (" + OsWords(code) + ")";
      break;
    case net::ConnectFailure::kOther:
      *why = OsWords(code);
      break;
  }
  return false;
}

bool ProbeLink::Send(const Bytes& bytes, std::string* why) {
  if (show_) show_(true, bytes);
  const uint64_t deadline = DeadlineFromNow();
  std::size_t done = 0;
  while (done < bytes.size()) {
    std::size_t sent = 0;
    const net::Error error = net::Send(socket_, bytes.data() + done, bytes.size() - done, &sent);
    if (error == net::Error::kNone) {
      done += sent;
      continue;
    }
    const uint64_t now = net::MonotonicMicroseconds();
    if (error != net::Error::kWouldBlock || now >= deadline) {
      *why = error == net::Error::kClosed ? "the PLC closed the connection"
             : error == net::Error::kWouldBlock
                 ? "the request could not be sent within " + std::to_string(timeoutMs_) + " ms"
                 : OsWords(net::LastError());
      return false;
    }
    net::Wait(socket_, false, true, static_cast<uint32_t>(deadline - now));
  }
  return true;
}

bool ProbeLink::ReceiveTpkt(Bytes* tpkt, std::string* why) {
  const uint64_t deadline = DeadlineFromNow();
  for (;;) {
    std::size_t length = 0;
    switch (ScanTpkt(pending_.data(), pending_.size(), &length)) {
      case TpktScan::kComplete:
        tpkt->assign(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(length));
        if (show_) show_(false, *tpkt);
        return true;
      case TpktScan::kBroken:
        if (show_) show_(false, pending_);
        *why = "an answer whose TPKT header is not valid (" +
               HexText(pending_.data(), pending_.size() < 4 ? pending_.size() : 4) + ")";
        return false;
      case TpktScan::kIncomplete:
        break;
    }
    const uint64_t now = net::MonotonicMicroseconds();
    if (now >= deadline) {
      *why = pending_.empty() ? "no answer within " + std::to_string(timeoutMs_) + " ms"
                              : "an answer cut short: " + std::to_string(pending_.size()) +
                                    " bytes within " + std::to_string(timeoutMs_) + " ms";
      return false;
    }
    uint8_t buffer[kMaxTpktBytes];
    std::size_t received = 0;
    const net::Error error = net::ReceiveWithin(socket_, buffer, sizeof buffer, &received,
                                                static_cast<uint32_t>(deadline - now));
    if (error == net::Error::kNone) {
      pending_.insert(pending_.end(), buffer, buffer + received);
    } else if (error != net::Error::kWouldBlock) {
      *why = error == net::Error::kClosed ? "the PLC closed the connection"
                                          : OsWords(net::LastError());
      return false;
    }
  }
}

bool ProbeLink::ReceiveMessage(Bytes* message, std::string* why) {
  message->clear();
  for (;;) {
    Bytes tpkt;
    if (!ReceiveTpkt(&tpkt, why)) return false;
    Tpdu tpdu;
    if (!DecodeTpdu(tpkt.data(), tpkt.size(), &tpdu, why)) return false;
    if (tpdu.kind == Tpdu::Kind::kDisconnect) {
      *why = "the PLC ended the connection (disconnect request)";
      return false;
    }
    if (tpdu.kind != Tpdu::Kind::kData) {
      *why = "a TPDU other than data";
      return false;
    }
    if (tpdu.size > kMaxMessageBytes - message->size()) {
      *why = "a message longer than " + std::to_string(kMaxMessageBytes) + " bytes";
      return false;
    }
    message->insert(message->end(), tpdu.data, tpdu.data + tpdu.size);
    if (tpdu.last) return true;
  }
}

}  // namespace zanhost

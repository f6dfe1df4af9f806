// Any bytes as what a PLC sends to the transport library, cut into reads of any size, against a
// connection in any phase with a read or write outstanding: TPKT reassembly, COTP, and the S7 and
// S5 answer decoding must never read or write out of bounds, and whatever they accept must stay
// within the job.
//
// Input: a 5-byte header (phase and personality, record length, area, PDU size), then chunks,
// each one length byte (0 counts as 1) and that many bytes of the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "quaxnet/connection.h"

namespace {

using namespace quaxnet;

void Require(bool condition) {
  if (!condition) std::abort();
}

constexpr std::size_t kHeaderBytes = 5;

Connection connection;  // too large for the stack
uint8_t hostBuffer[kMaxTransferBytes];

// Puts the connection where the first byte says: awaiting the confirm, awaiting the setup answer,
// or established with a read or a write on its way.
bool Prepare(const uint8_t* header) {
  const Personality personality = (header[0] & 4) != 0 ? Personality::kS5 : Personality::kS7;
  connection.handle = 1;
  connection.target = Target{};
  connection.target.personality = personality;
  connection.target.timeLimitMs = 1000;
  connection.socket = net::kNoSocket;
  connection.nextReference = 0;
  ResetLink(connection, 0);
  OnTcpConnected(connection, 0);
  connection.outboundBytes = connection.outboundSent = 0;  // as if sent
  const int phase = header[0] & 3;
  if (phase == 0) return true;
  connection.tpduBytes = 1024;
  if (phase == 1) {
    connection.phase = Phase::kAwaitingSetup;
    connection.setupReference = 1;
    connection.nextReference = 1;
    return true;
  }
  connection.phase = Phase::kEstablished;
  connection.pduSize = static_cast<uint16_t>(kS7MinPduSize + header[4] * 2);
  if (connection.pduSize > kS7PduSizeAsked) connection.pduSize = kS7PduSizeAsked;
  TransferRecord record{1, static_cast<uint16_t>(header[3] % 4 + 1), 10, 0,
                        static_cast<uint16_t>((header[1] << 8) | header[2])};
  const JobKind kind = phase == 2 ? JobKind::kRead : JobKind::kWrite;
  if (!BeginJob(connection.job, kind, record, personality)) return false;
  if (kind == JobKind::kWrite) TakeWriteData(connection.job, personality, hostBuffer);
  if (!SendNextPart(connection, 0)) return false;
  connection.outboundBytes = connection.outboundSent = 0;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < kHeaderBytes || !Prepare(data)) return 0;
  std::size_t at = kHeaderBytes;
  uint64_t now = 0;
  while (at < size && connection.phase != Phase::kBroken) {
    std::size_t chunk = data[at] == 0 ? 1 : data[at];
    ++at;
    if (chunk > size - at) chunk = size - at;
    std::size_t taken = 0;
    while (taken < chunk && connection.phase != Phase::kBroken) {
      const std::size_t appended = connection.inbound.Append(data + at + taken, chunk - taken);
      Require(appended != 0 || connection.inbound.FreeBytes() == 0);
      taken += appended;
      ProcessInbound(connection, ++now);
      Require(connection.outboundBytes <= sizeof connection.outbound);
      connection.outboundBytes = connection.outboundSent = 0;  // as if sent
      if (appended == 0) break;  // a full buffer that held no whole TPKT would be a fault
    }
    at += chunk;
  }
  const Job& job = connection.job;
  Require(connection.messageBytes <= kMaxMessageBytes);
  if (job.kind != JobKind::kNone) {
    Require(job.doneBytes <= job.totalBytes && job.totalBytes <= kMaxTransferBytes);
    if (job.complete && job.status == 0) {
      Require(job.doneBytes == job.totalBytes);
      if (job.kind == JobKind::kRead) GiveReadData(job, connection.target.personality, hostBuffer);
    }
  }
  return 0;
}

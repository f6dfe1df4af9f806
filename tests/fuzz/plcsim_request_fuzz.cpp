// Any bytes as what a client sends to a simulated PLC: the session must never read or write out of
// bounds, never stall with input paused and nothing to send, and, without spoiling faults, answer
// only in whole TPKTs of the size it granted. The decoders are also fed the bytes directly: jobs
// of several items, write data with fill bytes, user data, S5 telegrams, connect requests.
//
// Byte 0 chooses: bit 0 the personality (S7 / S5), bits 1-3 a fault, bits 4-7 the size of the
// pieces in which the rest arrives (1 to 16 bytes, 16 meaning all at once).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "iso_transport.h"
#include "plc.h"
#include "plc_line.h"
#include "s5_codec.h"
#include "s7_codec.h"
#include "session.h"

namespace {

using namespace plcsim;

void Require(bool condition) {
  if (!condition) std::abort();
}

Plc& MakePlc(const char* line) {
  std::vector<PlcConfig> plcs;
  std::string why;
  Require(ParsePlcLine(line, &plcs, &why));
  return *new Plc(plcs[0]);
}

void ChooseFault(uint8_t code, Faults* faults) {
  *faults = Faults{};
  switch (code) {
    case 1:
      faults->error = true;
      faults->errorCode = 0x0A;
      break;
    case 2:
      faults->error = true;
      faults->errorCode = 0x8104;
      break;
    case 3:
      faults->lateMilliseconds = 10;
      break;
    case 4:
      faults->malformed = true;
      faults->malformation = Malformation::kLength;
      break;
    case 5:
      faults->truncated = true;
      break;
    case 6:
      faults->silent = true;
      break;
    case 7:
      faults->refuse = true;
      break;
    default:
      break;
  }
}

// Whole TPKTs of version 3, each within the largest TPDU the simulator grants.
void CheckFrames(const std::vector<uint8_t>& out) {
  std::size_t at = 0;
  while (at < out.size()) {
    std::size_t length = 0;
    std::string why;
    Require(ScanTpkt(out.data() + at, out.size() - at, kMaxTpktLength, &length, &why) ==
            FrameStatus::kComplete);
    at += length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Plc& s7 =
      MakePlc("1:s7:pdu=240:db=10x64,db=1x8:heartbeat=db1.dbw0:m=16,i=16,q=16:c=4,t=0:cpu=FUZZ");
  static Plc& s5 = MakePlc("2:s5:db=10x64:dx=10x16:m=16,i=16,q=0:c=4,t=4");
  static Logger quiet([](const std::string&) {});
  if (size == 0) return 0;

  // The decoders on their own.
  {
    S7Request s7Request;
    S5Request s5Request;
    ConnectRequest connect;
    DataTpdu dataTpdu;
    std::string why;
    if (DecodeS7Request(data + 1, size - 1, &s7Request, &why)) {
      const bool items =
          s7Request.kind == S7Request::Kind::kRead || s7Request.kind == S7Request::Kind::kWrite;
      Require(items != s7Request.items.empty());
      for (const S7Item& item : s7Request.items) {
        Require(item.data == nullptr ||
                (item.data > data && item.data + item.dataSize <= data + size));
      }
      if (s7Request.kind == S7Request::Kind::kUserData) {
        Require(s7Request.userData.data + s7Request.userData.dataSize == data + size);
      }
    }
    if (DecodeS5Request(data + 1, size - 1, &s5Request, &why) && s5Request.opCode == kS5Write) {
      Require(s5Request.data + s5Request.dataSize == data + size);
    }
    ParseConnectRequest(data + 1, size - 1, &connect, &why);
    Require(connect.calling.length <= kMaxTsapLength && connect.called.length <= kMaxTsapLength);
    if (ParseDataTpdu(data + 1, size - 1, &dataTpdu, &why)) {
      Require(dataTpdu.data + dataTpdu.size == data + size);
    }
  }

  Plc& plc = (data[0] & 1) != 0 ? s5 : s7;
  const uint8_t fault = (data[0] >> 1) & 7;
  ChooseFault(fault, &plc.faults());
  const bool framesIntact = fault != 4 && fault != 5;
  const std::size_t piece = static_cast<std::size_t>((data[0] >> 4) & 15) + 1;
  Session session(plc, quiet, 1);
  std::vector<uint8_t> out;
  uint64_t now = 0;
  std::size_t at = 1;
  while (!session.Finished()) {
    const uint8_t* bytes = nullptr;
    std::size_t count = 0;
    while (session.OutputDue(now, &bytes, &count)) {
      out.insert(out.end(), bytes, bytes + count);
      session.OutputSent(count, now);
    }
    if (session.Finished()) break;
    if (!session.WantsInput()) {
      // Paused: only a held answer may be the reason, and time lets it go.
      Require(session.NextOutputTime() != kNever);
      now = session.NextOutputTime();
      continue;
    }
    if (at == size) break;
    std::size_t room = 0;
    uint8_t* space = session.InputSpace(&room);
    const std::size_t take = std::min({piece == 16 ? size - at : piece, size - at, room});
    std::memcpy(space, data + at, take);
    at += take;
    session.InputArrived(take, now);
  }
  if (framesIntact) CheckFrames(out);
  return 0;
}

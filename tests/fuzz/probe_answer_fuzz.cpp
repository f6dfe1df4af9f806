// Any bytes as what a PLC sends to zanhost probe: the stream cut into TPKTs, their TPDUs, the data
// joined into messages, each message taken as the answer the probe waits for (the first byte says
// which: setup, a read, read SZL, an S5 fetch). No decoder may read out of bounds, and what they
// accept must hold what it says: a read's word, records of the size the list names.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "probe/plc_frames.h"
#include "probe/plc_identity.h"

namespace {

using namespace zanhost;

void Require(bool condition) {
  if (!condition) std::abort();
}

void TakeMessage(uint8_t kind, const Bytes& message) {
  std::string why;
  if (kind % 4 == 3) {
    S5FetchResult fetch;
    if (DecodeS5FetchAnswer(message.data(), message.size(), 2, &fetch, &why))
      Require(fetch.error != 0 || fetch.data.size() == 2);
    return;
  }
  S7Answer answer;
  if (!DecodeS7Answer(message.data(), message.size(), 1, &answer, &why)) return;
  Require(answer.data + answer.dataSize == message.data() + message.size());
  switch (kind % 4) {
    case 0: {
      uint16_t pduSize = 0;
      DecodeS7SetupAnswer(answer, &pduSize, &why);
      break;
    }
    case 1: {
      ReadResult read;
      if (DecodeS7ReadAnswer(answer, 2, &read, &why) && answer.error == 0 &&
          read.returnCode == kS7ItemSuccess) {
        Require(read.data.size() == 2);
      }
      break;
    }
    default: {
      SzlList list;
      if (!DecodeS7SzlAnswer(answer, &list, &why) || list.error != 0) break;
      for (const Bytes& record : list.records)
        Require(record.size() == list.recordSize);
      PlcIdentity identity;
      TakeIdentity(list, identity);
      Require(identity.orderNumber.size() <= 20 && identity.moduleName.size() <= 32);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t kind = data[0];
  const uint8_t* stream = data + 1;
  std::size_t left = size - 1;
  Bytes message;
  for (;;) {
    std::size_t length = 0;
    const TpktScan scan = ScanTpkt(stream, left, &length);
    if (scan != TpktScan::kComplete) break;
    Require(length >= 7 && length <= left && length <= kMaxTpktBytes);
    Tpdu tpdu;
    std::string why;
    if (DecodeTpdu(stream, length, &tpdu, &why) && tpdu.kind == Tpdu::Kind::kData) {
      Require(tpdu.data >= stream && tpdu.data + tpdu.size == stream + length);
      message.insert(message.end(), tpdu.data, tpdu.data + tpdu.size);
      if (tpdu.last) {
        TakeMessage(kind, message);
        message.clear();
      }
    }
    stream += length;
    left -= length;
  }
  return 0;
}

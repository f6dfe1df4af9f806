#include "plan/request_cost.h"

#include "core/driver_state.h"

namespace zanhost {

int ReadAnswerBytes(uint8_t plcType, int pduBytes) {
  if (plcType == kPlcTypeS5) return kS5FetchAnswerBytes;
  const int pdu = pduBytes > kS7ReadAnswerOverhead ? pduBytes : kDefaultPduBytes;
  return pdu - kS7ReadAnswerOverhead;
}

int RequestsFor(int bytes, int answerBytes) {
  if (bytes <= 0) return 0;
  if (answerBytes <= 0) return bytes;
  return (bytes + answerBytes - 1) / answerBytes;
}

double ReadCost(int bytes, int answerBytes) {
  return RequestsFor(bytes, answerBytes) + bytes / kBytesPerRequest;
}

}  // namespace zanhost

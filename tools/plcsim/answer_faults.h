// Answers spoiled on purpose, for the "malformed" and "truncated" faults: what a transport must
// recognise as a broken connection and never hand to its caller as data.
#ifndef ZAN_PLCSIM_ANSWER_FAULTS_H_
#define ZAN_PLCSIM_ANSWER_FAULTS_H_

#include <cstdint>
#include <vector>

#include "faults.h"
#include "plc_config.h"

namespace plcsim {

// Spoils the answer `pdu` (an S7 ack-data PDU or an S5 answer telegram) as `malformation` says.
// kTpkt leaves it: that one is spoiled after framing.
void SpoilAnswer(std::vector<uint8_t>& pdu, Personality personality, Malformation malformation);

// Spoils framed bytes: the TPKT version of the first frame.
void SpoilFrame(std::vector<uint8_t>& frames);

// Cuts framed bytes to their first half (at least one byte is cut).
void Truncate(std::vector<uint8_t>& frames);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_ANSWER_FAULTS_H_

// zanhost probe's steps: a connection to one PLC made the way the transport makes it, step by step
// on zanhost's own client, each step timed and reported as it ends.
//
//   S7 (and type 6):  TCP connect, connection request (TSAPs 01 01 and 03 <slot>), setup
//                     communication (PDU 960 asked), one read, the identification (read SZL
//                     0x0011, 0x001C, 0x0424)
//   S5:               TCP connect and connection request of the fetch connection, then of the
//                     write connection (the same local TSAP, the write TSAP), one fetch
//
// The read takes the word at the start of the first data block that the PLC has (1 to 255), or the
// word the probe is told to read. A step that fails ends the probe; a PLC that does not answer the
// identification is no failure (an S5 has none).
#ifndef ZAN_TOOLS_ZANHOST_PROBE_STEPS_H_
#define ZAN_TOOLS_ZANHOST_PROBE_STEPS_H_

#include <cstdint>
#include <functional>
#include <string>

#include "output/json_writer.h"
#include "probe/plc_frames.h"
#include "probe/plc_identity.h"

namespace zanhost {

struct ProbeTarget {
  int plc = 0;
  int type = 7;  // 5 S5, 6 or 7 by slot
  uint32_t address = 0;
  uint16_t port = 102;
  uint8_t slot = 2;
  std::string localTsap;  // S5: as the configuration gives them
  std::string readTsap;
  std::string writeTsap;
  uint32_t timeoutMs = 100;
  // The word to read: data block and offset (S7 byte, S5 data word); data block 0: find one.
  uint16_t dataBlock = 0;
  uint16_t offset = 0;
};

// The first data block the read looks for, and the last.
constexpr uint16_t kFirstDataBlockTried = 1;
constexpr uint16_t kLastDataBlockTried = 255;

struct ProbeStep {
  std::string name;        // "TCP connect", "connection request", "setup communication", ...
  std::string connection;  // S5: "fetch" or "write"; "" on an S7
  double milliseconds = 0;
  enum class Outcome { kDone, kFailed, kRefused, kNotAnswered } outcome = Outcome::kDone;
  std::string detail;  // what the step found, or what failed
  JsonObject fields;   // the same for --json
};

using StepSink = std::function<void(const ProbeStep& step)>;
using TrafficSink = std::function<void(bool sent, const Bytes& bytes)>;

// The word that --read names: "DB10.DBW2", "db10.dw2" or "DB10.2" (data block 10, offset 2: the
// byte on an S7 connection, the data word on an S5). False when the text is none of these, or the
// data block is 0.
bool ParseDataBlockWord(const std::string& text, uint16_t& dataBlock, uint16_t& offset);

// Runs the steps, handing each to `sink` as it ends. Returns the outcome of the probe: kDone when
// every step was, else that of the step that ended it (kFailed, or kRefused for a read refused).
ProbeStep::Outcome ProbePlc(const ProbeTarget& target, const StepSink& sink,
                            const TrafficSink& traffic);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_PROBE_STEPS_H_

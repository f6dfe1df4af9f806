// One simulated PLC while the simulator runs: its configuration, its memory, the faults it shows,
// its heartbeat word, its operating state (RUN or STOP) and the counts of the requests it served.
// The connections and the listener are the simulator's.
#ifndef ZAN_PLCSIM_PLC_H_
#define ZAN_PLCSIM_PLC_H_

#include <cstdint>

#include "faults.h"
#include "plc_config.h"
#include "plc_memory.h"

namespace plcsim {

// What a request asked, for the counts of `status`: S7 read var and S5 fetch are reads, S7 write
// var and S5 write are writes; identification is the read-SZL request; other is every function
// the simulator answers with an error.
enum class RequestKind { kRead, kWrite, kIdentification, kOther };

struct RequestCounts {
  uint64_t reads = 0;
  uint64_t writes = 0;
  uint64_t identifications = 0;
  uint64_t others = 0;
  uint64_t refusedItems = 0;  // items, and whole requests, answered with an error

  uint64_t total() const { return reads + writes + identifications + others; }
};

class Plc {
 public:
  // `config` must have passed the PLC line checks (its heartbeat word lies in a data block).
  explicit Plc(const PlcConfig& config);

  const PlcConfig& config() const { return config_; }
  PlcMemory& memory() { return memory_; }
  Faults& faults() { return faults_; }
  const Faults& faults() const { return faults_; }

  // Called as a request is about to be served: counts it and, before a read or a write when the
  // heartbeat counts per request, steps the heartbeat word.
  void BeforeRequest(RequestKind kind);
  // Called for every item (or whole request) answered with an error.
  void CountRefused(uint64_t count) { counts_.refusedItems += count; }
  const RequestCounts& counts() const { return counts_; }
  uint64_t requestsServed() const { return counts_.total(); }

  // TCP connections taken since the simulator started, across stops and starts (those closed at
  // once because every connection of the PLC was in use aside): a client that connects again
  // shows here even when its connection count stays the same.
  void CountAccepted() { ++accepted_; }
  uint64_t accepted() const { return accepted_; }

  // RUN or STOP, as the identification requests report it. In STOP the PLC's program does not
  // run, so its heartbeat stands still; reads and writes are served as in RUN.
  bool running() const { return running_; }
  void SetRunning(bool running) { running_ = running; }

  // Adds `count` to the heartbeat word whatever its beat (the control command); no-op without one.
  void StepHeartbeat(uint32_t count);
  // A frozen heartbeat stands still except for explicit steps: the PLC's program has stopped.
  void FreezeHeartbeat(bool frozen) { heartbeatFrozen_ = frozen; }
  bool heartbeatFrozen() const { return heartbeatFrozen_; }
  uint16_t HeartbeatValue();
  // For a periodic heartbeat: steps it for every period elapsed at `now` and tells when the next
  // step is due (UINT64_MAX: never).
  uint64_t TickHeartbeat(uint64_t now);

 private:
  uint8_t* HeartbeatWord();
  bool HeartbeatBeats() const { return running_ && !heartbeatFrozen_; }

  PlcConfig config_;
  PlcMemory memory_;
  Faults faults_;
  RequestCounts counts_;
  uint64_t accepted_ = 0;
  bool running_ = true;
  bool heartbeatFrozen_ = false;
  uint64_t nextBeat_ = 0;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_H_

// One simulated PLC while the simulator runs: its configuration, its memory, the faults it shows
// and its heartbeat word. The connections and the listener are the simulator's.
#ifndef ZAN_PLCSIM_PLC_H_
#define ZAN_PLCSIM_PLC_H_

#include <cstdint>

#include "faults.h"
#include "plc_config.h"
#include "plc_memory.h"

namespace plcsim {

class Plc {
 public:
  // `config` must have passed the PLC line checks (its heartbeat word lies in a data block).
  explicit Plc(const PlcConfig& config);

  const PlcConfig& config() const { return config_; }
  PlcMemory& memory() { return memory_; }
  Faults& faults() { return faults_; }
  const Faults& faults() const { return faults_; }

  // Called as a read or write request is about to be served: counts it and, when the heartbeat
  // counts per request, steps the heartbeat word.
  void BeforeRequest();
  uint64_t requestsServed() const { return requestsServed_; }

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

  PlcConfig config_;
  PlcMemory memory_;
  Faults faults_;
  uint64_t requestsServed_ = 0;
  bool heartbeatFrozen_ = false;
  uint64_t nextBeat_ = 0;
};

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_H_

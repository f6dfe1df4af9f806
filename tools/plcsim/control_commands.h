// The control language of the simulator: one command per line, each answered with one line that
// starts "ok" or "error", so that a test waits for the answer instead of sleeping.
//
//   fault <plc> refuse | drop | silent | late <ms> | error <code> | malformed [how] | truncated
//   clear <plc>                             every fault of the PLC ends
//   set <plc> <area> <byte> <0xHEX>...      writes bytes in PLC order (0x1234: 12 then 34)
//   get <plc> <area> <byte> <count>         answers "ok 12 34 ..."
//   heartbeat <plc> [step [n] | freeze | run]
//   state <plc> [run | stop]                the operating state; answers "ok run" or "ok stop"
//   stop <plc> | start <plc>                the PLC goes down (no listener, no connections) / up
//   status <plc>                            "ok plc=1 ... connections=2 established=2
//                                           accepted=5 requests=3 reads=2 writes=1 ...
//                                           state=run ..."
//   verbose on|off, help, quit
//
// <plc> is the PLC number or its address (127.0.0.N); <area> is db<n>, dx<n> (S5), m, i, q, c or
// t (counters and timers: counter n is bytes 2n and 2n + 1).
#ifndef ZAN_PLCSIM_CONTROL_COMMANDS_H_
#define ZAN_PLCSIM_CONTROL_COMMANDS_H_

#include <string>

namespace plcsim {

class Simulator;

// Executes `line` on `simulator` and returns the answer, without a line feed.
std::string ExecuteControl(Simulator& simulator, const std::string& line);

// The help text of the commands, one line.
extern const char kControlHelp[];

}  // namespace plcsim

#endif  // ZAN_PLCSIM_CONTROL_COMMANDS_H_

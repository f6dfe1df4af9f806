// PLC lines: how the simulator is told which PLCs to be, on its command line (--plc) or in a file
// (--config, one line per PLC).
//
//   <plc>:<personality>[:<option>[,<option>]...]...
//
//   <plc>          N (the PLC listens on 127.0.0.0 + N), N-M (one PLC per number), or 127.x.y.z
//   <personality>  s7 or s5
//   options        db=<number>x<bytes> (repeatable), m=<bytes>, i=<bytes>, q=<bytes>,
//                  c=<counters>, t=<timers>, connections=<n>, heartbeat=db<n>.dbw<byte>,
//                  beat=request|command|<n>ms;
//                  S7: slot=<n>, rack=<n>, pdu=<bytes>, cpu=<module name>, order=<order number>,
//                      serial=<serial number>;
//                  S5: read=<TSAP>, write=<TSAP>, dx=<number>x<bytes> (repeatable)
//
// Example: 1:s7:slot=2:db=10x1000,db=20x200:heartbeat=db10.dbw0
#ifndef ZAN_PLCSIM_PLC_LINE_H_
#define ZAN_PLCSIM_PLC_LINE_H_

#include <string>
#include <string_view>
#include <vector>

#include "plc_config.h"

namespace plcsim {

// The most PLCs one simulator serves.
constexpr std::size_t kMaxPlcs = 4096;

// Parses one PLC line and appends its PLCs to `plcs`. False, with `why`, when the line is wrong;
// then nothing is appended.
bool ParsePlcLine(std::string_view line, std::vector<PlcConfig>* plcs, std::string* why);

// Parses the PLC lines of a file; blank lines and lines starting with '#' are skipped. False,
// with `why` naming the line, at the first wrong one.
bool LoadPlcFile(const std::string& path, std::vector<PlcConfig>* plcs, std::string* why);

// Checks a whole list: at least one PLC, at most kMaxPlcs, no number twice.
bool CheckPlcList(const std::vector<PlcConfig>& plcs, std::string* why);

// A PLC number, or an address of 127.0.0.0/8 standing for the number it ends in.
bool ParsePlcNumber(std::string_view text, uint32_t* number);

}  // namespace plcsim

#endif  // ZAN_PLCSIM_PLC_LINE_H_

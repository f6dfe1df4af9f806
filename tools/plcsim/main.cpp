// zanplcsim: S7 and S5 PLCs on loopback for tests, demos and benchmarks. See --help.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clock.h"
#include "console_input.h"
#include "control_commands.h"
#include "net/socket.h"
#include "number_text.h"
#include "plc_line.h"
#include "simulator.h"

namespace {

constexpr uint16_t kIsoOnTcpPort = 102;  // RFC 1006

const char kDescription[] =
    "zanplcsim: S7 and S5 PLCs on loopback addresses (127.0.0.N), served by one process, for the "
    "driver's tests and demos and for any S7 or S5 tool (HMI panels, test clients, scripts).";

const char kFooter[] = R"(PLC lines (--plc, or one per line in the --config file):
  <plc>:<personality>[:<option>[,<option>]...]...
  <plc>          N: the PLC listens on 127.0.0.N (N above 255 goes on: 256 is 127.0.1.0);
                 N-M: one PLC per number; or the address 127.x.y.z itself. Only loopback.
  <personality>  s7: COTP with any calling TSAP, the called TSAP must be xx <rack*32+slot>;
                     setup communication grants min(asked, pdu); then see "S7 serves" below.
                 s5: two connections chosen by the called TSAP: fetch (read=) and write (write=).
  options        db=<n>x<bytes>   a data block of that many bytes (repeat for more blocks)
                 m=, i=, q=<bytes> flags, inputs, outputs (default 1024 bytes each; 0: none)
                 c=, t=<count>    counters, timers (256 each, 2 bytes each; 0: none)
                 slot=<n> (2), rack=<n> (0), pdu=<bytes> (480)          S7 only
                 cpu=<module name>, order=<order number>, serial=<serial number>
                                  what the identification requests answer  S7 only
                 read=<TSAP> (KORREAD), write=<TSAP> (KORWRITE)           S5 only
                 dx=<n>x<bytes>   an extended data block (repeatable)     S5 only
                 connections=<n>  connections open at once (32)
                 heartbeat=db<n>.dbw<byte>  a word that counts up by one, as a PLC program would
                 beat=request     ...before each read or write the PLC serves (default)
                 beat=command     ...only on "heartbeat <plc> step"
                 beat=<n>ms       ...every n milliseconds (for demos)
  Addresses in every area count bytes; S5 data word n is byte 2n; counter or timer n is bytes 2n
  and 2n+1. Memory holds bytes in PLC order.

S7 serves, after setup communication:
  read var, write var  any number of items that fit the PDU granted, each answered with its own
                       return code: FF done, 0A no such data block, 05 address outside the area,
                       06 transport size not served, 07 write data that does not match the item,
                       03 an area the PLC does not have. A job or answer longer than the PDU gets
                       header error 85 00; the connection stays.
                       Areas: DB (84), M (83), I (81), Q (82), P (80: reads I, writes Q),
                       counters (1C) and timers (1D) by number. Transport sizes: bit (01, one bit
                       at byte*8+bit, written alone), byte, char, word, int, dword, dint, real,
                       counter, timer. Answers count bits (data 03, 04, 05) or bytes (07 real,
                       09 char, counter, timer) as tools expect.
  read SZL             user data: 0x0011 module identification (order=), 0x001C component
                       identification (cpu=, serial=), 0x0424 CPU state (RUN or STOP, see
                       "state"), 0x0000 the lists served; 0x0111 and 0x011C one record by index.
S5 serves fetch and write of DB (01) and DX (0A) in data words, M (02), I (03), Q (04), P (05)
  in bytes, counters (06) and timers (07) by number; refusals carry the service's error number
  (01 unknown area type, 02 no such block or area, 03 block or area too short).
Every item refused is logged with its reason; status counts the requests by kind.

Control: one command per line on standard input (answers on standard output) or on the control
socket 127.0.0.1:<control port>; each command gets one line that starts "ok" or "error":
  fault <plc> refuse        connect requests are answered with a disconnect request
  fault <plc> refuse setup  S7 setup communication is answered with error class 0x83 (no
                            resources), code 0x04, and the connection closed
  fault <plc> hold-connect  TCP is accepted and the connect request read, but never answered (a
                            communication processor that hangs; on loopback it stands in for a
                            PLC switched off); clear answers the requests held
  fault <plc> drop          every connection of the PLC is closed now
  fault <plc> silent        requests are read and never answered
  fault <plc> late <ms>     answers leave <ms> milliseconds late
  fault <plc> jitter <min>-<max>   each answer leaves after a delay drawn uniformly from
                            <min> to <max> milliseconds (on top of "late"), e.g. jitter 0-60
  fault <plc> error <code>  S7: item return code (e.g. 0x0A), or header error class and code when
                            above 0xFF (e.g. 0x8104); S5: error number
  fault <plc> malformed [header|tpkt|reference|length]   answers spoiled that way
  fault <plc> truncated     half of each answer is sent, then the connection closes
  fault <plc> close-after   each answer is sent whole, then the connection closes
  clear <plc>               all faults end (held answers and connect requests still leave)
  set <plc> <area> <byte> <0xHEX>...    e.g. set 1 db10 20 0x1234 (bytes 12 34 at byte 20)
  get <plc> <area> <byte> <count>       e.g. get 1 db10 20 2  ->  ok 12 34
  heartbeat <plc> [step [n]|freeze|run] the heartbeat word's value after the action
  state <plc> [run|stop]    the operating state (in STOP the heartbeat stands; requests are served)
  stop <plc> / start <plc>  the PLC goes down (listener and connections closed) / comes back
  status <plc>              listening, connections, established, accepted (connections taken
                            since the start), requests (reads, writes, identifications, others,
                            refused items), heartbeat, state, faults
  verbose on|off, help, quit
  <plc> is the number or the address; <area> is db<n>, dx<n>, m (flags), i (inputs),
  q (outputs), c (counters) or t (timers).
  Faults act on the answers to requests ("error" on reads and writes only); connecting goes on
  as usual (the refusals and hold-connect aside), so a test reaches the request it wants to spoil.

Once every listener is bound the simulator prints one line on standard output:
  ready port=<port> control=<control port> plcs=<count>
and then the answers to the commands of standard input. The log goes to standard error (--log).

Examples:
  zanplcsim --port 10102 --plc 1:s7:slot=2:db=10x1000,db=20x200:heartbeat=db10.dbw0 \
            --plc 2:s7:db=10x1000:heartbeat=db10.dbw0 --plc 3:s5:db=10x512
  zanplcsim --port 0 --plc 1-511:s7:db=10x100 --quit-on-eof
)";

std::string PortHelp() {
  return "TCP port of every PLC; 0 takes a free one (the same on every address) and prints it in "
         "the ready line. Default: QUAXNET_PORT, else " +
         std::to_string(kIsoOnTcpPort);
}

// The port from the environment knob that the driver's transport reads too.
bool EnvironmentPort(uint16_t* port, std::string* why) {
  const char* text = std::getenv("QUAXNET_PORT");
  if (text == nullptr || *text == '\0') return false;
  uint64_t value = 0;
  if (!plcsim::ParseNumber(text, 65535, &value)) {
    *why = std::string("QUAXNET_PORT=") + text + " is not a port number";
    return false;
  }
  *port = static_cast<uint16_t>(value);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{kDescription, "zanplcsim"};
  app.footer(kFooter);
  std::vector<std::string> plcLines;
  std::string configFile;
  int port = -1;
  int controlPort = 0;
  bool noControl = false;
  bool noStdin = false;
  bool quitOnEof = false;
  bool verbose = false;
  std::string logFile;
  app.add_option("--plc", plcLines, "a PLC line (repeatable); see below");
  app.add_option("--config", configFile, "a file of PLC lines, one PLC per line");
  app.add_option("--port", port, PortHelp())->check(CLI::Range(0, 65535));
  app.add_option("--control-port", controlPort,
                 "port of the control socket on 127.0.0.1 (0: a free one, printed)")
      ->check(CLI::Range(0, 65535))
      ->capture_default_str();
  app.add_flag("--no-control", noControl, "no control socket");
  app.add_flag("--no-stdin", noStdin, "do not read commands from standard input");
  app.add_flag("--quit-on-eof", quitOnEof,
               "quit when standard input ends (for a test fixture that holds the pipe)");
  app.add_flag("-v,--verbose", verbose, "log every request, not only connections and faults");
  app.add_option("--log", logFile, "append the log to this file instead of standard error");
  CLI11_PARSE(app, argc, argv);

  std::vector<plcsim::PlcConfig> plcs;
  std::string why;
  for (const std::string& line : plcLines) {
    if (!plcsim::ParsePlcLine(line, &plcs, &why)) {
      std::fprintf(stderr, "zanplcsim: --plc %s: %s\n", line.c_str(), why.c_str());
      return 2;
    }
  }
  if (!configFile.empty() && !plcsim::LoadPlcFile(configFile, &plcs, &why)) {
    std::fprintf(stderr, "zanplcsim: %s\n", why.c_str());
    return 2;
  }
  if (!plcsim::CheckPlcList(plcs, &why)) {
    std::fprintf(stderr, "zanplcsim: %s\n", why.c_str());
    return 2;
  }
  uint16_t listenPort = kIsoOnTcpPort;
  if (port >= 0) {
    listenPort = static_cast<uint16_t>(port);
  } else if (!EnvironmentPort(&listenPort, &why) && !why.empty()) {
    std::fprintf(stderr, "zanplcsim: %s\n", why.c_str());
    return 2;
  }

  FILE* logStream = stderr;
  if (!logFile.empty() && (logStream = std::fopen(logFile.c_str(), "a")) == nullptr) {
    std::fprintf(stderr, "zanplcsim: cannot open the log file %s\n", logFile.c_str());
    return 2;
  }
  if (!net::Start()) {
    std::fprintf(stderr, "zanplcsim: the system's sockets cannot be used\n");
    return 1;
  }
  if (!net::PrepareServerProcess()) {
    char text[256];
    net::ErrorText(net::LastError(), text, sizeof text);
    std::fprintf(stderr, "zanplcsim: cannot raise the limit of open files: %s\n", text);
  }

  plcsim::SystemClock clock;
  const uint64_t start = clock.NowMilliseconds();
  plcsim::Logger log(
      [&](const std::string& line) {
        const uint64_t elapsed = clock.NowMilliseconds() - start;
        std::fprintf(logStream, "[%5u.%03u] %s\n", static_cast<unsigned>(elapsed / 1000),
                     static_cast<unsigned>(elapsed % 1000), line.c_str());
        std::fflush(logStream);
      },
      verbose);
  plcsim::Simulator simulator(plcs, log, clock);
  if (!simulator.Start(listenPort, noControl ? plcsim::kNoControlSocket : controlPort, &why)) {
    std::fprintf(stderr, "zanplcsim: %s\n", why.c_str());
    return 1;
  }
  if (!noStdin) {
    const net::Socket input = plcsim::OpenConsoleInput(&why);
    if (input == net::kNoSocket) {
      std::fprintf(stderr, "zanplcsim: %s\n", why.c_str());
    } else {
      simulator.AttachConsole(
          input,
          [](const std::string& answer) {
            std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
          },
          quitOnEof);
    }
  }
  const std::string control =
      noControl ? std::string("none") : std::to_string(simulator.controlPort());
  std::printf("ready port=%u control=%s plcs=%u\n", unsigned{simulator.port()}, control.c_str(),
              static_cast<unsigned>(plcs.size()));
  std::fflush(stdout);

  while (simulator.RunOnce(-1)) {
  }
  if (logStream != stderr) std::fclose(logStream);
  return 0;
}

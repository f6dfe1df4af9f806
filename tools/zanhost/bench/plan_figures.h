// The read plan in zanhost bench. First what a request costs against the bytes it carries, on the
// simulator over loopback at PDU 240 and 960 (where a request costs least): runs of bytes of many
// lengths read one after the other, and the fit of their times to requests and bytes, from which
// the plan's rule for merging gaps is taken (plan/request_cost.h). Then rounds of two tag files
// against the simulator with every answer 10 ms late, as a real PLC answers: with the plan, tag by
// tag (--plan off), and the least possible, a run of bytes over each data block's tags,
// ceil(bytes / answer bytes) requests:
//   - 200 word tags over 400 bytes of one data block, in no order, at PDU 240;
//   - 1,000 tags of every numeric type, bits and strings over 10 data blocks of 5 PLCs, at PDU 480.
#ifndef ZAN_TOOLS_ZANHOST_BENCH_PLAN_FIGURES_H_
#define ZAN_TOOLS_ZANHOST_BENCH_PLAN_FIGURES_H_

#include <string>
#include <vector>

#include "bench/rounds.h"
#include "session/host_session.h"

namespace zanhost {

// What a read costs at one PDU size.
struct RequestCost {
  int pdu = 0;
  struct Point {
    int bytes = 0;
    int requests = 0;
    double microseconds = 0;  // median
  };
  std::vector<Point> points;
  double perRequest = 0;  // microseconds: one more request (a byte more than a full answer)
  double perByte = 0;     // microseconds: within one answer
};

// One tag file's rounds.
struct PlanFigures {
  std::string name;
  int tags = 0;
  int plannedRequests = 0;
  int tagByTagRequests = 0;
  int leastRequests = 0;
  double planned = 0;  // milliseconds a round, median
  double tagByTag = 0;
  double least = 0;
};

struct PlanBench {
  int late = 0;  // milliseconds that every answer of the tag files' rounds came late
  std::vector<RequestCost> costs;
  std::vector<PlanFigures> files;
};

struct PlanBenchOptions {
  HostOptions host;       // the driver's file
  std::string simulator;  // zanplcsim beside zanhost when empty
  std::string folder;     // for the configurations, the tag files and the simulator's files
  int rounds = 3;         // of each kind and file
  int late = 10;          // milliseconds that every answer of the tag files' PLCs comes late
  int reads = 400;        // of each length, for the cost of a request
};

bool MeasurePlans(const PlanBenchOptions& options, Progress& progress, PlanBench& bench,
                  std::string& error);

// The text lines and the JSON object of the figures.
std::vector<std::string> PlanFigureLines(const PlanBench& bench);
std::string PlanFiguresJson(const PlanBench& bench);

}  // namespace zanhost

#endif  // ZAN_TOOLS_ZANHOST_BENCH_PLAN_FIGURES_H_

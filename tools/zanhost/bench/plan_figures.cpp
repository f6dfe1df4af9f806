#include "bench/plan_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>

#include "demo/simulator_control.h"
#include "os/host_platform.h"
#include "output/json_writer.h"
#include "output/result_words.h"
#include "plan/plan_rounds.h"
#include "plan/request_cost.h"
#include "plan/session_plan_driver.h"
#include "session/tag_report.h"
#include "tags/host_types.h"
#include "tags/memory_place.h"

namespace zanhost {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDataBlockBytes = 1000;
constexpr int kWarmUpReads = 10;
constexpr int kReadsPerRound = 20;
constexpr unsigned kSeed = 29;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct PlanFile {
  std::string name;
  int pdu = 0;
  int plcs = 0;
  std::vector<std::string> plcLines;  // of the simulator
  std::vector<Tag> tags;
};

Tag MakeTag(const std::string& name, const std::string& text, int32_t hostType, int32_t count = 1) {
  Tag tag;
  tag.name = name;
  tag.text = text;
  tag.hostType = hostType;
  tag.count = count;
  return tag;
}

// 200 word tags that fill bytes 0 to 399 of data block 10 of PLC 1, in no order.
PlanFile WordFile() {
  PlanFile file;
  file.name = "200 word tags over 400 bytes of one data block, PDU 240";
  file.pdu = 240;
  file.plcs = 1;
  file.plcLines = {"1:s7:db=10x1000:pdu=240"};
  char text[64];
  for (int byte = 0; byte < 400; byte += 2) {
    std::snprintf(text, sizeof text, "01DW010%04d", byte);
    file.tags.push_back(MakeTag("w" + std::to_string(byte), text, kHostWord));
  }
  std::shuffle(file.tags.begin(), file.tags.end(), std::mt19937(kSeed));
  return file;
}

// 1,000 tags of every type over data blocks 10 and 11 of PLCs 1 to 5, 100 in each, with gaps of a
// few bytes between them, in no order.
PlanFile MixedFile() {
  PlanFile file;
  file.name = "1,000 mixed tags over 10 data blocks of 5 PLCs, PDU 480";
  file.pdu = 480;
  file.plcs = 5;
  std::mt19937 random(kSeed);
  char text[64];
  for (int plc = 1; plc <= file.plcs; ++plc) {
    file.plcLines.push_back(std::to_string(plc) + ":s7:db=10x1000,db=11x1000:pdu=480");
    for (const int dataBlock : {10, 11}) {
      int byte = 0;
      for (int k = 0; k < 100; ++k) {
        const int type = static_cast<int>(random() % 8);
        const std::string name =
            "p" + std::to_string(plc) + "db" + std::to_string(dataBlock) + "t" + std::to_string(k);
        byte += type == 6 ? 0 : byte % 2;  // all but bytes start at an even byte
        switch (type) {
          case 0:
          case 1:
            std::snprintf(text, sizeof text, "%02dDW%03d%04d", plc, dataBlock, byte);
            file.tags.push_back(MakeTag(name, text, type == 0 ? kHostWord : kHostInt));
            byte += 2;
            break;
          case 2:
          case 3:
            std::snprintf(text, sizeof text, "%02dDD%03d%04d", plc, dataBlock, byte);
            file.tags.push_back(MakeTag(name, text, type == 2 ? kHostDint : kHostDword));
            byte += 4;
            break;
          case 4:
            std::snprintf(text, sizeof text, "%02dDF%03d%04d", plc, dataBlock, byte);
            file.tags.push_back(MakeTag(name, text, kHostFloat));
            byte += 4;
            break;
          case 5:
            std::snprintf(text, sizeof text, "%02dDW%03d%04d%02d", plc, dataBlock, byte,
                          static_cast<int>(random() % 16));
            file.tags.push_back(MakeTag(name, text, kHostBit));
            byte += 2;
            break;
          case 6:
            std::snprintf(text, sizeof text, "%02dDB%03d%04d", plc, dataBlock, byte);
            file.tags.push_back(MakeTag(name, text, kHostWord));
            byte += 1;
            break;
          default:
            std::snprintf(text, sizeof text, "%02dDS%03d%04d08", plc, dataBlock, byte);
            file.tags.push_back(MakeTag(name, text, kHostString));
            byte += 10;
            break;
        }
        byte += static_cast<int>(random() % 7);
      }
    }
  }
  std::shuffle(file.tags.begin(), file.tags.end(), random);
  return file;
}

bool WriteConfiguration(const std::string& folder, int plcs) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  std::ofstream out(std::filesystem::path(folder) / "zanDOR01.INT", std::ios::binary);
  for (int plc = 1; plc <= plcs; ++plc)
    out << plc << "=7, 127.0.0." << plc << ", 2\n";
  return static_cast<bool>(out);
}

bool StartSimulator(const PlanBenchOptions& options, const std::vector<std::string>& plcLines,
                    const std::string& folder, Simulator& simulator, std::string& error) {
  SimulatorSetup setup;
  setup.program = options.simulator;
  setup.plcs = plcLines;
  setup.folder = folder;
  if (!simulator.Start(setup, error)) return false;
  SetEnvironment("QUAXNET_PORT", std::to_string(simulator.port()));
  return true;
}

bool OpenSession(const std::string& folder, HostSession& session, std::string& error) {
  if (!session.Init()) {
    error = "Init of the bench's PLCs in " + folder + " failed";
    return false;
  }
  return true;
}

HostOptions HostIn(const PlanBenchOptions& options, const std::string& folder) {
  HostOptions host = options.host;
  host.directory = folder;
  host.quiet = true;
  return host;
}

// The median time of `rounds` calls of `round` in milliseconds; false when one fails.
bool TimeRounds(int rounds, const std::function<bool()>& round, double& median) {
  std::vector<double> times;
  for (int r = 0; r < rounds; ++r) {
    const Clock::time_point start = Clock::now();
    if (!round()) return false;
    times.push_back(MillisecondsSince(start));
  }
  median = Median(times);
  return true;
}

// What a byte costs, from the reads of one answer (2 bytes against a full answer), and what one
// more request costs, from a full answer against one byte more (two requests).
void Fit(RequestCost& cost, int answer) {
  const auto at = [&](int bytes) {
    for (const RequestCost::Point& point : cost.points) {
      if (point.bytes == bytes) return point.microseconds;
    }
    return 0.0;
  };
  cost.perByte = (at(answer) - at(2)) / (answer - 2);
  cost.perRequest = at(answer + 1) - at(answer) - cost.perByte;
}

bool MeasureRequestCost(const PlanBenchOptions& options, Progress& progress, PlanBench& bench,
                        std::string& error) {
  const std::string folder = (std::filesystem::path(options.folder) / "request-cost").string();
  const std::vector<int> pdus = {240, 960};
  std::vector<std::string> plcLines;
  for (std::size_t i = 0; i < pdus.size(); ++i)
    plcLines.push_back(std::to_string(i + 1) + ":s7:db=10x1000:pdu=" + std::to_string(pdus[i]));
  Simulator simulator;
  if (!WriteConfiguration(folder, static_cast<int>(pdus.size())) ||
      !StartSimulator(options, plcLines, folder, simulator, error)) {
    return false;
  }
  HostSession session(HostIn(options, folder));
  if (!OpenSession(folder, session, error)) return false;
  for (std::size_t i = 0; i < pdus.size(); ++i) {
    RequestCost cost;
    cost.pdu = pdus[i];
    const int answer = ReadAnswerBytes(kPlcTypeS7, cost.pdu);
    std::vector<int> lengths = {2,          answer / 2,     answer,         answer + 1,
                                2 * answer, 2 * answer + 1, kDataBlockBytes};
    std::erase_if(lengths, [](int length) { return length > kDataBlockBytes; });
    std::sort(lengths.begin(), lengths.end());
    lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
    // Each length a kind of read, in alternating rounds: the machine's ups and downs weigh on all.
    std::vector<Tag> runs;
    std::vector<ValueBuffer> buffers;
    for (const int length : lengths) {
      char text[64];
      std::snprintf(text, sizeof text, "%02dDB0100000", static_cast<int>(i + 1));
      runs.push_back(MakeTag(text, text, kHostWord, length));
      if (!session.DefineTag(runs.back())) {
        error = "the driver refused " + runs.back().text + " x " + std::to_string(length);
        return false;
      }
      buffers.emplace_back(length);
    }
    std::vector<ReadKind> kinds(lengths.size());
    for (std::size_t k = 0; k < lengths.size(); ++k) {
      kinds[k].name =
          "a read of " + std::to_string(lengths[k]) + " bytes at PDU " + std::to_string(cost.pdu);
      kinds[k].read = [&, k] { return session.Read(runs[k], buffers[k], false) == kResultDone; };
    }
    progress.Show("the cost of a request at PDU " + std::to_string(cost.pdu), 0, 1);
    if (!RunRounds(kinds, options.reads / kReadsPerRound, kReadsPerRound, kWarmUpReads, progress,
                   error)) {
      return false;
    }
    for (std::size_t k = 0; k < lengths.size(); ++k) {
      cost.points.push_back(RequestCost::Point{lengths[k], RequestsFor(lengths[k], answer),
                                               Median(kinds[k].samples)});
    }
    Fit(cost, answer);
    bench.costs.push_back(cost);
  }
  session.Close();
  return true;
}

// Runs of bytes over each data block's tags, as few as a read may take: the least possible plan.
std::vector<Tag> LeastReads(const HostSession& session, const std::vector<Tag>& tags, int answer,
                            int& requests) {
  std::map<std::pair<int, int>, std::pair<int, int>> spans;  // PLC, data block: first, last byte
  for (const Tag& tag : tags) {
    int first = 0;
    int last = 0;
    if (!MemoryExtent(PlaceOf(session, tag), first, last)) continue;
    const auto key = std::make_pair(tag.plc, DataBlockOf(tag.address));
    const auto found = spans.find(key);
    if (found == spans.end()) {
      spans[key] = {first, last};
    } else {
      found->second = {std::min(found->second.first, first), std::max(found->second.second, last)};
    }
  }
  std::vector<Tag> reads;
  requests = 0;
  char text[64];
  for (const auto& [key, span] : spans) {
    for (int start = span.first; start <= span.second; start += kDataBlockBytes) {
      const int length = std::min(kDataBlockBytes, span.second - start + 1);
      std::snprintf(text, sizeof text, "%02dDB%03d%04d", key.first, key.second, start);
      reads.push_back(MakeTag(text, text, kHostWord, length));
      requests += RequestsFor(length, answer);
    }
  }
  return reads;
}

bool MeasureFile(const PlanBenchOptions& options, const PlanFile& file, const std::string& folder,
                 Progress& progress, PlanFigures& figures, std::string& error) {
  Simulator simulator;
  if (!WriteConfiguration(folder, file.plcs) ||
      !StartSimulator(options, file.plcLines, folder, simulator, error)) {
    return false;
  }
  for (int plc = 1; plc <= file.plcs && options.late > 0; ++plc) {
    if (!simulator.Command("fault " + std::to_string(plc) + " late " +
                           std::to_string(options.late))) {
      error = "the simulator took no fault";
      return false;
    }
  }
  HostSession session(HostIn(options, folder));
  if (!OpenSession(folder, session, error)) return false;
  std::vector<Tag> tags = file.tags;
  std::vector<bool> defined;
  for (Tag& tag : tags) {
    defined.push_back(session.DefineTag(tag));
    if (!defined.back()) {
      error = "the driver refused " + tag.text + ": " + tag.refusal;
      return false;
    }
  }
  figures.name = file.name;
  figures.tags = static_cast<int>(tags.size());
  SessionPlanDriver driver(session);
  bool failed = false;
  const PlanRounds::Take take = [&failed](int, const TagRead& read) {
    failed = failed || read.result != kResultDone;
  };
  // Tag by tag and the least possible first, while no block of the plan is in the driver's cache.
  PlanRounds tagByTag(driver);
  tagByTag.Prepare(tags, defined, false);
  figures.tagByTagRequests = tagByTag.plan().requests;
  progress.Show(file.name + ": tag by tag", 0, 1);
  const auto roundOf = [&](PlanRounds& rounds) {
    return [&] {
      rounds.Round(take);
      return !failed;
    };
  };
  if (!TimeRounds(options.rounds, roundOf(tagByTag), figures.tagByTag)) {
    error = file.name + ": a read tag by tag failed";
    return false;
  }
  std::vector<Tag> least =
      LeastReads(session, tags, ReadAnswerBytes(kPlcTypeS7, file.pdu), figures.leastRequests);
  for (Tag& read : least)
    session.DefineTag(read);
  progress.Show(file.name + ": the least possible", 0, 1);
  const bool leastRead = TimeRounds(
      options.rounds,
      [&] {
        for (const Tag& read : least) {
          ValueBuffer values(read.count);
          if (session.Read(read, values, false) != kResultDone) return false;
        }
        return true;
      },
      figures.least);
  if (!leastRead) {
    error = file.name + ": a read of the least possible plan failed";
    return false;
  }
  PlanRounds planned(driver);
  planned.Prepare(tags, defined, true);
  figures.plannedRequests = planned.plan().requests;
  progress.Show(file.name + ": by the plan", 0, 1);
  planned.Round(take);  // a round to warm up
  if (!TimeRounds(options.rounds, roundOf(planned), figures.planned)) {
    error = file.name + ": a read by the plan failed";
    return false;
  }
  session.Close();
  return true;
}

}  // namespace

bool MeasurePlans(const PlanBenchOptions& options, Progress& progress, PlanBench& bench,
                  std::string& error) {
  if (!MeasureRequestCost(options, progress, bench, error)) return false;
  bench.late = options.late;
  int index = 0;
  for (const PlanFile& file : {WordFile(), MixedFile()}) {
    PlanFigures figures;
    const std::string folder =
        (std::filesystem::path(options.folder) / ("plan-" + std::to_string(++index))).string();
    if (!MeasureFile(options, file, folder, progress, figures, error)) return false;
    bench.files.push_back(figures);
  }
  return true;
}

std::vector<std::string> PlanFigureLines(const PlanBench& bench) {
  std::vector<std::string> lines;
  char line[400];
  lines.push_back(
      "the cost of a read against its bytes (simulator over loopback, answers at once):");
  for (const RequestCost& cost : bench.costs) {
    std::string points;
    for (const RequestCost::Point& point : cost.points) {
      std::snprintf(line, sizeof line, "%s%d B %.1f us", points.empty() ? "" : ", ", point.bytes,
                    point.microseconds);
      points += line;
    }
    std::snprintf(line, sizeof line, "  PDU %d: %s", cost.pdu, points.c_str());
    lines.push_back(line);
    if (cost.perByte > 0) {
      std::snprintf(line, sizeof line,
                    "    a byte %.4f us (a full answer against 2 bytes), one more request %.1f us "
                    "(a byte more than a full answer): a request costs as much as %.0f bytes",
                    cost.perByte, cost.perRequest, cost.perRequest / cost.perByte);
    } else {
      std::snprintf(line, sizeof line,
                    "    a byte costs nothing that shows (a full answer against 2 bytes), one more "
                    "request %.1f us",
                    cost.perRequest);
    }
    lines.push_back(line);
  }
  lines.push_back("rounds of a tag file, every answer " + std::to_string(bench.late) +
                  " ms late (the median round):");
  for (const PlanFigures& file : bench.files) {
    std::snprintf(line, sizeof line,
                  "  %s: planned %d requests %.1f ms; tag by tag %d requests %.1f ms (%.0fx the "
                  "planned); least possible %d requests %.1f ms (the planned %.2fx)",
                  file.name.c_str(), file.plannedRequests, file.planned, file.tagByTagRequests,
                  file.tagByTag, file.planned > 0 ? file.tagByTag / file.planned : 0.0,
                  file.leastRequests, file.least, file.least > 0 ? file.planned / file.least : 0.0);
    lines.push_back(line);
  }
  return lines;
}

std::string PlanFiguresJson(const PlanBench& bench) {
  std::vector<std::string> costs;
  for (const RequestCost& cost : bench.costs) {
    std::vector<std::string> points;
    for (const RequestCost::Point& point : cost.points) {
      JsonObject object;
      object.Add("bytes", point.bytes)
          .Add("requests", point.requests)
          .Add("medianMicroseconds", point.microseconds);
      points.push_back(object.str());
    }
    JsonObject object;
    object.Add("pdu", cost.pdu)
        .AddRaw("reads", JsonArray(points))
        .Add("microsecondsPerRequest", cost.perRequest)
        .Add("microsecondsPerByte", cost.perByte);
    costs.push_back(object.str());
  }
  std::vector<std::string> files;
  for (const PlanFigures& file : bench.files) {
    JsonObject object;
    object.Add("file", file.name)
        .Add("tags", file.tags)
        .Add("plannedRequests", file.plannedRequests)
        .Add("plannedMilliseconds", file.planned)
        .Add("tagByTagRequests", file.tagByTagRequests)
        .Add("tagByTagMilliseconds", file.tagByTag)
        .Add("leastRequests", file.leastRequests)
        .Add("leastMilliseconds", file.least);
    files.push_back(object.str());
  }
  JsonObject object;
  object.AddRaw("requestCost", JsonArray(costs))
      .Add("lateMilliseconds", bench.late)
      .AddRaw("rounds", JsonArray(files));
  return object.str();
}

}  // namespace zanhost

#include "session/warm_start_report.h"

#include <algorithm>

#include "session/restored_links.h"

namespace zanhost {
namespace {

bool Contains(const std::vector<int>& numbers, int number) {
  return std::find(numbers.begin(), numbers.end(), number) != numbers.end();
}

}  // namespace

WarmStartReport ReportWarmStart(const WarmStartFacts& facts) {
  WarmStartReport report;
  const int plc = facts.plc;
  const int backup = facts.backup;
  const std::vector<std::string>& lines = facts.lines;
  // The PLCs it tried: the one named, and its backup when the driver handed its number back (it
  // restarted a backup it counts failed) or a line names it (it connected a backup that had no
  // connection).
  std::vector<int> tried = {plc};
  if (backup > 0 && backup != plc &&
      (facts.restarted == backup || std::any_of(lines.begin(), lines.end(), [&](const auto& line) {
         return MentionsPlc(line, backup);
       }))) {
    tried.push_back(backup);
  }
  for (const std::string& line : lines) {
    const int up = ConnectionUpIn(line);
    if (up >= 0 && !Contains(report.back, up)) report.back.push_back(up);
  }
  for (int number : tried) {
    if (Contains(report.back, number)) continue;
    report.down.push_back(number);
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
      if (IsProblemLine(*line) && MentionsPlc(*line, number)) {
        report.problems.push_back(*line);
        break;
      }
    }
  }
  const auto name = [&](int number) {
    return number == plc ? "PLC " + std::to_string(number)
                         : "its backup PLC " + std::to_string(number);
  };
  if (report.down.empty()) {
    report.words = "done";
    if (Contains(report.back, backup) && backup != plc)
      report.words += ", and of its backup " + facts.describe(backup);
    return report;
  }
  for (int number : report.back) {
    if (Contains(tried, number))
      report.words += (report.words.empty() ? "" : "; ") + name(number) + " back";
  }
  if (report.words.empty()) report.words = "no connection restarted";
  for (int number : report.down) {
    const std::string why = facts.failureOf(number);
    report.downWords += (report.downWords.empty() ? "" : "; ") + name(number) + " still down" +
                        (why.empty() ? "" : ": " + why);
  }
  report.words += "; " + report.downWords;
  return report;
}

WarmStartReport ReportWarmStart(const HostSession& session, int plc, int restarted) {
  WarmStartFacts facts;
  const DriverState* state = session.state();
  facts.plc = plc;
  facts.restarted = restarted;
  facts.backup = state != nullptr && plc > 0 && plc < kPlcCount ? state->plcs[plc].backupPlc : 0;
  facts.lines = session.warmStartLines();
  facts.describe = [&session](int number) { return session.DescribePlc(number); };
  facts.failureOf = [&session](int number) { return session.TransportFailureOf(number); };
  return ReportWarmStart(facts);
}

}  // namespace zanhost
